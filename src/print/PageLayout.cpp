#include "print/PageLayout.h"
#include "print/Units.h"

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
int32_t pixels(double points, int32_t dpi) { return truncateToInt(points / kPointsPerInch * dpi); }

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

PageLayout layOutPage(double pageWidth, double pageHeight, double paperWidth, double paperHeight,
                        int32_t rotation, bool paperFound, Scaling scaling,
                        const SheetMetrics& sheet) {
    PageLayout layout;
    // The page as it lies on the sheet: a turned page is as wide as it is tall.
    const double onSheetWidth = rotation != 0 ? pageHeight : pageWidth;
    const double onSheetHeight = rotation != 0 ? pageWidth : pageHeight;
    const double trueWidth = onSheetWidth / kPointsPerInch * sheet.dpiX;
    const double trueHeight = onSheetHeight / kPointsPerInch * sheet.dpiY;
    const int32_t paperX = pixels(paperWidth, sheet.dpiX), paperY = pixels(paperHeight, sheet.dpiY);

    if (scaling == Scaling::Stretch) {
        layout.sizeX = sheet.printableWidth;
        layout.sizeY = sheet.printableHeight;
    } else if (scaling == Scaling::Auto && paperFound) {
        // The paper's full size, its corner on the sheet's physical corner.
        layout.sizeX = paperX;
        layout.sizeY = paperY;
        layout.startX = negate(sheet.offsetX);
        layout.startY = negate(sheet.offsetY);
    } else {
        double scale = 1;
        if (scaling == Scaling::Fit) {
            scale = std::min(sheet.printableWidth / trueWidth, sheet.printableHeight / trueHeight);
        } else if (scaling == Scaling::Auto) {
            scale = std::min({1.0, paperX / trueWidth, paperY / trueHeight});
        }
        if (!std::isfinite(scale) || scale < 0) scale = 0;
        layout.sizeX = truncateToInt(trueWidth * scale);
        layout.sizeY = truncateToInt(trueHeight * scale);
        if (scaling == Scaling::Fit) {
            layout.startX = centred(0, sheet.printableWidth, layout.sizeX);
            layout.startY = centred(0, sheet.printableHeight, layout.sizeY);
        } else {
            layout.startX = centred(negate(sheet.offsetX), paperX, layout.sizeX);
            layout.startY = centred(negate(sheet.offsetY), paperY, layout.sizeY);
        }
    }
    layout.loggedX = layout.startX;
    layout.loggedY = layout.startY;
    // A turned page on its own paper (or stretched) is rendered with its
    // start values exchanged; the sizes stay.
    if (rotation != 0 && (scaling == Scaling::Stretch || (scaling == Scaling::Auto && paperFound)))
        std::swap(layout.startX, layout.startY);
    layout.scaleX = trueWidth > 0 ? layout.sizeX / trueWidth : 0;
    layout.scaleY = trueHeight > 0 ? layout.sizeY / trueHeight : 0;
    return layout;
}
