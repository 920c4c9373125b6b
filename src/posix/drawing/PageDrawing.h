// Drawing a page with poppler onto cairo: into a PDF of its own, which the
// program places, or into pixels, which it paints on a drawing context.
#pragma once

#include <poppler.h>

#include <functional>
#include <string>
#include <vector>

#include "posix/assembly/Placement.h"

namespace posix::drawing {

// Draws the page (as poppler displays it: crop box and /Rotate applied) into
// the target rectangle of the drawing context, as a viewer prints it.
void drawPage(cairo_t* cr, PopplerPage* page, const assembly::TargetRect& target, int rotate);

// The page drawn as printing shows it, as a PDF of one page of the page's
// displayed size; empty when cairo fails.
std::string drawPageAsPdf(PopplerPage* page);

// The pages drawn as printing shows them into one PDF, each page of its
// own displayed size, so that what they share (fonts above all) is in it
// once; pageStarts is told before each, with its place in the list. Empty
// when cairo fails.
std::string drawPagesAsPdf(const std::vector<PopplerPage*>& pages, const std::function<void(size_t)>& pageStarts);

// The page drawn as printing shows it into width x height pixels (ARGB32,
// premultiplied), turned by rotate quarter turns; false when cairo fails.
bool drawPageAsPixels(PopplerPage* page, int width, int height, int rotate, std::string& pixels);

}  // namespace posix::drawing
