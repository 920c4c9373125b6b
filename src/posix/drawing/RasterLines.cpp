#include "posix/drawing/RasterLines.h"

#include <cstring>

namespace posix::drawing {

namespace {

// Bayer's 8 by 8 ordered dither, thresholds 0 to 63.
constexpr unsigned char kDither[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

unsigned red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }
unsigned green(uint32_t pixel) { return (pixel >> 8) & 0xFF; }
unsigned blue(uint32_t pixel) { return pixel & 0xFF; }

// Rec. 601 luma, as printers' grey conversions make it.
unsigned char luma(uint32_t pixel) {
    return static_cast<unsigned char>((red(pixel) * 77 + green(pixel) * 150 + blue(pixel) * 29) >> 8);
}

}  // namespace

size_t bytesPerLine(PixelType type, int width) {
    const auto pixels = static_cast<size_t>(width > 0 ? width : 0);
    switch (type) {
        case PixelType::Rgb8: return pixels * 3;
        case PixelType::Gray8: return pixels;
        case PixelType::Black1: return (pixels + 7) / 8;
    }
    return 0;
}

void convertLine(const uint32_t* pixels, int width, int y, PixelType type, bool mirrored, unsigned char* out) {
    if (type == PixelType::Black1) std::memset(out, 0, bytesPerLine(type, width));
    for (int x = 0; x < width; ++x) {
        const uint32_t pixel = pixels[mirrored ? width - 1 - x : x];
        switch (type) {
            case PixelType::Rgb8:
                out[x * 3] = static_cast<unsigned char>(red(pixel));
                out[x * 3 + 1] = static_cast<unsigned char>(green(pixel));
                out[x * 3 + 2] = static_cast<unsigned char>(blue(pixel));
                break;
            case PixelType::Gray8: out[x] = luma(pixel); break;
            case PixelType::Black1:
                // Not lighter than the threshold of its place in the matrix:
                // black. Black stays all black and white all white.
                if (luma(pixel) * 65 / 256 <= kDither[y & 7][x & 7])
                    out[x / 8] = static_cast<unsigned char>(out[x / 8] | (0x80 >> (x & 7)));
                break;
        }
    }
}

BackSide backSideFor(const std::string& sheetBack, bool shortEdge) {
    // CUPS's table of back sides: manual-tumble turns a short-edge back
    // half round; rotated turns a long-edge back half round and mirrors a
    // short-edge one; flipped turns a long-edge back upside down and
    // mirrors a short-edge one.
    if (sheetBack == "manual-tumble") return shortEdge ? BackSide{true, true} : BackSide{};
    if (sheetBack == "rotated") return shortEdge ? BackSide{true, false} : BackSide{true, true};
    if (sheetBack == "flipped") return shortEdge ? BackSide{true, false} : BackSide{false, true};
    return BackSide{};
}

}  // namespace posix::drawing
