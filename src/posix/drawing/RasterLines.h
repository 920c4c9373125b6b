// The lines of a drawn page as a raster printer takes them: cairo's pixels
// (RGB24) made into sRGB, grey or dithered black, and the back of a sheet
// turned as the printer wants it. No cairo and no CUPS here: bytes in,
// bytes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace posix::drawing {

enum class PixelType {
    Rgb8,     // srgb_8: three bytes a pixel
    Gray8,    // sgray_8: one byte, 255 white
    Black1,   // black_1: one bit, set for black, the first pixel in the high bit
};

// Bytes a line of width pixels takes.
size_t bytesPerLine(PixelType type, int width);

// One line of cairo RGB24 pixels (32 bits each, 0x00RRGGBB in the host's
// order) as the type, read from right to left when mirrored. Black is
// dithered (an 8 by 8 ordered matrix) by its line y.
void convertLine(const uint32_t* pixels, int width, int y, PixelType type, bool mirrored, unsigned char* out);

// How the back side of a two-sided sheet is sent, as the printer's
// pwg-raster-document-sheet-back and the binding say.
struct BackSide {
    bool mirrored = false;   // each line right to left
    bool flipped = false;    // the lines bottom to top
};
BackSide backSideFor(const std::string& sheetBack, bool shortEdge);

}  // namespace posix::drawing
