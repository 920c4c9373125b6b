#include "print/PagePlacement.h"

#include <algorithm>
#include <cmath>
#include <utility>

int32_t truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

namespace {

int32_t negate(int32_t value) { return value == INT32_MIN ? INT32_MAX : -value; }

// Points to device pixels, truncated.
int32_t pixels(double points, int32_t dpi) { return truncateToInt(points / 72 * dpi); }

// A rectangle of width x height pixels centred in the span from start.
int32_t centred(int32_t start, int32_t span, int32_t size) {
    return truncateToInt(start + (static_cast<double>(span) - size) / 2);
}

}  // namespace

int32_t rotationByOrientation(double pageWidth, double pageHeight, double paperWidth,
                              double paperHeight) {
    const bool landscapePage = pageWidth > pageHeight, portraitPage = pageWidth < pageHeight;
    const bool landscapePaper = paperWidth > paperHeight, portraitPaper = paperWidth < paperHeight;
    return (landscapePage && portraitPaper) || (portraitPage && landscapePaper) ? 3 : 0;
}

PagePlacement placePage(double pageWidth, double pageHeight, double paperWidth, double paperHeight,
                        int32_t rotation, bool paperFound, Scaling scaling,
                        const SheetMetrics& sheet) {
    PagePlacement placement;
    // The page as it lies on the sheet: a turned page is as wide as it is tall.
    const double onSheetWidth = rotation != 0 ? pageHeight : pageWidth;
    const double onSheetHeight = rotation != 0 ? pageWidth : pageHeight;
    const double trueWidth = onSheetWidth / 72 * sheet.dpiX;
    const double trueHeight = onSheetHeight / 72 * sheet.dpiY;
    const int32_t paperX = pixels(paperWidth, sheet.dpiX), paperY = pixels(paperHeight, sheet.dpiY);

    if (scaling == Scaling::Stretch) {
        placement.sizeX = sheet.printableWidth;
        placement.sizeY = sheet.printableHeight;
    } else if (scaling == Scaling::Auto && paperFound) {
        // The paper's full size, its corner on the sheet's physical corner.
        placement.sizeX = paperX;
        placement.sizeY = paperY;
        placement.startX = negate(sheet.offsetX);
        placement.startY = negate(sheet.offsetY);
    } else {
        double scale = 1;
        if (scaling == Scaling::Fit) {
            scale = std::min(sheet.printableWidth / trueWidth, sheet.printableHeight / trueHeight);
        } else if (scaling == Scaling::Auto) {
            scale = std::min({1.0, paperX / trueWidth, paperY / trueHeight});
        }
        if (!std::isfinite(scale) || scale < 0) scale = 0;
        placement.sizeX = truncateToInt(trueWidth * scale);
        placement.sizeY = truncateToInt(trueHeight * scale);
        if (scaling == Scaling::Fit) {
            placement.startX = centred(0, sheet.printableWidth, placement.sizeX);
            placement.startY = centred(0, sheet.printableHeight, placement.sizeY);
        } else {
            placement.startX = centred(negate(sheet.offsetX), paperX, placement.sizeX);
            placement.startY = centred(negate(sheet.offsetY), paperY, placement.sizeY);
        }
    }
    placement.loggedX = placement.startX;
    placement.loggedY = placement.startY;
    // A turned page on its own paper (or stretched) is rendered with its
    // start values exchanged; the sizes stay.
    if (rotation != 0 && (scaling == Scaling::Stretch || (scaling == Scaling::Auto && paperFound)))
        std::swap(placement.startX, placement.startY);
    placement.scaleX = trueWidth > 0 ? placement.sizeX / trueWidth : 0;
    placement.scaleY = trueHeight > 0 ? placement.sizeY / trueHeight : 0;
    return placement;
}
