#include "posix/spooler/SheetGeometry.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "posix/spooler/DriverSettings.h"
#include "posix/spooler/PrinterDriver.h"
#include "print/Units.h"

namespace posix {

namespace {

// Hundredths of a millimetre to whole pixels, truncated.
int toPixels(int32_t hundredths, int dpi) {
    return static_cast<int>(static_cast<int64_t>(hundredths) * dpi / kHundredthsPerInch);
}

}  // namespace

SheetGeometry SheetGeometry::from(const PrinterDriver& driver, const JobSettings& settings) {
    const PrinterDefaults defaults = driver.defaults();
    SheetGeometry geometry;
    // A missing vertical resolution follows the horizontal one.
    const bool hasX = settings.dpiX > 0;
    const bool hasY = settings.dpiY > 0;
    geometry.dpiX = hasX ? settings.dpiX : defaults.dpiX;
    geometry.dpiY = hasY ? settings.dpiY : hasX ? settings.dpiX : defaults.dpiY;
    if (geometry.dpiX <= 0) geometry.dpiX = 600;
    if (geometry.dpiY <= 0) geometry.dpiY = geometry.dpiX;

    Paper paper = driver.sheetPaperFor(settings);
    if (settings.orientation == Orientation::Landscape) {
        // The sheet turned a quarter: its left edge comes to the top.
        std::swap(paper.width, paper.length);
        paper = Paper{paper.id, paper.name, paper.width, paper.length,
                      paper.marginBottom, paper.marginLeft, paper.marginTop, paper.marginRight};
    }

    const auto points = [](int32_t hundredths) { return hundredths * kPointsPerInch / kHundredthsPerInch; };
    geometry.widthPoints = points(paper.width);
    geometry.heightPoints = points(paper.length);
    geometry.leftMargin = points(paper.marginLeft);
    geometry.topMargin = points(paper.marginTop);
    geometry.rightMargin = points(paper.marginRight);
    geometry.bottomMargin = points(paper.marginBottom);
    geometry.physicalWidth = toPixels(paper.width, geometry.dpiX);
    geometry.physicalHeight = toPixels(paper.length, geometry.dpiY);
    geometry.offsetX = toPixels(paper.marginLeft, geometry.dpiX);
    geometry.offsetY = toPixels(paper.marginTop, geometry.dpiY);
    geometry.printableWidth = std::max(
        0, geometry.physicalWidth - geometry.offsetX - toPixels(paper.marginRight, geometry.dpiX));
    geometry.printableHeight = std::max(
        0, geometry.physicalHeight - geometry.offsetY - toPixels(paper.marginBottom, geometry.dpiY));
    return geometry;
}

int32_t SheetGeometry::measure(SheetMetric metric) const {
    switch (metric) {
        case SheetMetric::DotsPerInchAcross: return dpiX;
        case SheetMetric::DotsPerInchDown: return dpiY;
        case SheetMetric::PaperWidth: return physicalWidth;
        case SheetMetric::PaperHeight: return physicalHeight;
        case SheetMetric::MarginLeft: return offsetX;
        case SheetMetric::MarginTop: return offsetY;
        case SheetMetric::PrintableWidth: return printableWidth;
        case SheetMetric::PrintableHeight: return printableHeight;
    }
    return 0;
}

}  // namespace posix
