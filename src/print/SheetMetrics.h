// What a printer device context reports of the sheet in progress, in its
// device units (GetDeviceCaps): the core lays pages out from these alone.
#pragma once

#include <cstdint>

struct SheetMetrics {
    int32_t dpiX = 0, dpiY = 0;                        // LOGPIXELSX / Y
    int32_t physicalWidth = 0, physicalHeight = 0;     // PHYSICALWIDTH / HEIGHT
    int32_t offsetX = 0, offsetY = 0;                  // PHYSICALOFFSETX / Y: left and top margins
    int32_t printableWidth = 0, printableHeight = 0;   // HORZRES / VERTRES
};
