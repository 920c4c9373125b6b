// What the document reports of the sheet in progress, in its device units
// (PrintDocument::measure): the core lays pages out from these alone.
#pragma once

#include <cstdint>

struct SheetMetrics {
    int32_t dpiX = 0, dpiY = 0;                        // dots per inch across and down
    int32_t physicalWidth = 0, physicalHeight = 0;     // the paper
    int32_t offsetX = 0, offsetY = 0;                  // the left and top margins
    int32_t printableWidth = 0, printableHeight = 0;   // the printable area
};
