// The raster a printer that takes no PDF takes instead (IPP Everywhere's PWG
// raster, or Apple raster): its resolution, the pixel types it reads, and
// how it wants the back of a two-sided sheet.
#pragma once

#include <string>

namespace posix {

struct RasterFormat {
    std::string mimeType = "image/pwg-raster";   // or "image/urf"
    int dpiX = 300, dpiY = 300;
    // The pixel types it reads (pwg-raster-document-type-supported, or the
    // urf-supported W8 and SRGB24).
    bool rgb8 = false;     // srgb_8
    bool gray8 = false;    // sgray_8
    bool black1 = false;   // black_1
    // pwg-raster-document-sheet-back: normal, flipped, rotated or manual-tumble.
    std::string sheetBack = "normal";

    bool apple() const { return mimeType == "image/urf"; }
};

}  // namespace posix
