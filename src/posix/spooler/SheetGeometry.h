// What a printer device context promises about the sheet in progress:
// device units are pixels at LOGPIXELSX/Y, device (0, 0) is the top-left
// corner of the printable area, PHYSICALOFFSETX/Y are the left and top
// margins. Shared by every device context of the POSIX side.
#pragma once

#include "posix/WinApi.h"

namespace posix {

class PrinterDriver;

struct SheetGeometry {
    int dpiX = 0;
    int dpiY = 0;
    double widthPoints = 0;     // the sheet as the page is set up (landscape turned)
    double heightPoints = 0;
    int physicalWidth = 0;      // PHYSICALWIDTH / PHYSICALHEIGHT
    int physicalHeight = 0;
    int offsetX = 0;            // PHYSICALOFFSETX / Y: left and top margins
    int offsetY = 0;
    int printableWidth = 0;     // HORZRES / VERTRES
    int printableHeight = 0;

    // The paper the settings describe on the driver, landscape turning it.
    static SheetGeometry from(const PrinterDriver& driver, const DEVMODEW& settings);

    // GetDeviceCaps for this sheet; 0 for an index it does not answer.
    int deviceCaps(int index) const;
};

}  // namespace posix
