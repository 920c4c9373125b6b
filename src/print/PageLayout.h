// Where a page goes on its sheet: the target rectangle handed to the
// renderer (device units) and the turn, worked out from the page, the paper
// and what the device context reports, without touching a device context.
#pragma once

#include <cstdint>

#include "print/SheetMetrics.h"

// How pages are sized on their paper (the Scaling parameter; -scale is
// Stretch).
enum class Scaling {
    Auto,      // a page on its own paper at true size; any other page at true size
               // when it fits the paper, else shrunk evenly, centred
    Fit,       // every page shrunk or grown evenly to the printable area, centred
    None,      // every page at its own true size, centred on the paper
    Stretch,   // every page stretched over the printable area
};

struct PageLayout {
    // As the document takes them (PagePlacement).
    int32_t startX = 0, startY = 0, sizeX = 0, sizeY = 0;
    // The rectangle as logged ("Offset", "Size"): the start before a
    // turned page on its own paper has its start values exchanged.
    int32_t loggedX = 0, loggedY = 0;
    // How much the page is enlarged across and down (1 is true size).
    double scaleX = 1, scaleY = 1;
};

// The layout of a page of pageWidth x pageHeight points on a sheet of
// paperWidth x paperHeight points. rotation is 0 or 3 (a quarter turn
// counter-clockwise: the page's top to the left); paperFound says whether
// the paper is the page's own size.
// - Stretch: the whole printable area, shape not kept.
// - a page on its own paper (Auto): the paper's full size from its physical
//   corner; a turned page has its start values exchanged, as it always had.
// - Auto otherwise: true size when the page fits the paper, else shrunk
//   evenly until it fits; centred on the paper; never distorted.
// - Fit: evenly as large as the printable area allows, centred in it.
// - None: true size, centred on the paper.
PageLayout layOutPage(double pageWidth, double pageHeight, double paperWidth, double paperHeight,
                      int32_t rotation, bool paperFound, Scaling scaling, const SheetMetrics& sheet);

// The turn of a page no paper fits: only when its orientation differs from
// the paper's (a landscape page on portrait paper); a square page or paper
// never turns it.
int32_t rotationByOrientation(double pageWidth, double pageHeight, double paperWidth,
                              double paperHeight);

// Double to int, truncated toward zero; values beyond the int range are held
// at its ends and NaN gives 0, where a plain cast would be undefined.
int32_t truncateToInt(double value);
