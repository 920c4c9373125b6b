// Drawing a page with poppler onto cairo: onto a device context's drawing,
// or into a PDF of its own that a placing device context then places.
#pragma once

#include <poppler.h>

#include <string>

#include "posix/spooler/DeviceContext.h"
#include "posix/assembly/Placement.h"

namespace posix::drawing {

// Draws the page (as poppler displays it: crop box and /Rotate applied) into
// the target rectangle of the drawing context, as a viewer prints it.
void drawPage(cairo_t* cr, PopplerPage* page, const assembly::TargetRect& target, int rotate);

// The page drawn as printing shows it, as a PDF of one page of the page's
// displayed size; empty when cairo fails.
std::string drawPageAsPdf(PopplerPage* page);

// Draws the page onto the device context as a viewer prints it: straight
// onto its drawing, or, on a context that places pages, into a PDF of its
// own that is then placed. False when nothing could be drawn.
bool drawPageOnto(DeviceContext& context, PopplerPage* page, const assembly::TargetRect& target,
                  int rotate);

// Places a drawing of a page (a one-page PDF) on a context that places
// pages, as drawPageOnto does. False when it cannot.
bool placeDrawing(DeviceContext& context, std::string pdf, const assembly::TargetRect& target, int rotate);

}  // namespace posix::drawing
