// A sheet as a printer device context on POSIX sets it up: the paper in
// points (landscape turned) and what the job measures of it. Device units
// are pixels at the sheet's resolution, device (0, 0) is the top-left
// corner of the printable area, the offsets are the left and top margins.
// Shared by every device context of the POSIX side.
#pragma once

#include "posix/spooler/JobSettings.h"
#include "print/SheetMetrics.h"

namespace posix {

class PrinterDriver;

struct SheetGeometry : SheetMetrics {
    double widthPoints = 0;     // the paper's exact size
    double heightPoints = 0;
    double leftMargin = 0, topMargin = 0, rightMargin = 0, bottomMargin = 0;   // exact, points

    // The paper the settings describe on the driver, landscape turning it.
    static SheetGeometry from(const PrinterDriver& driver, const JobSettings& settings);

    // What the job measures of this sheet, in device units.
    int32_t measure(SheetMetric metric) const;
};

}  // namespace posix
