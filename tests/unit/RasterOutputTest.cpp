// What a printer of raster is sent: cairo's pixels as sRGB, grey or
// dithered black, the backs of sheets turned as CUPS's table of back sides
// says, and the order of the pages when the raster holds the copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "posix/drawing/RasterLines.h"
#include "posix/spooler/CopyLayout.h"

namespace {

using posix::drawing::BackSide;
using posix::drawing::PixelType;

TEST(RasterOutput, PixelsBecomeTheTypesAPrinterReadsMirroredOnRequest) {
    const uint32_t pixels[] = {0x00FF0000, 0x00FFFFFF, 0x00000000};   // red, white, black
    std::vector<unsigned char> rgb(posix::drawing::bytesPerLine(PixelType::Rgb8, 3));
    posix::drawing::convertLine(pixels, 3, 0, PixelType::Rgb8, false, rgb.data());
    EXPECT_EQ(rgb, (std::vector<unsigned char>{255, 0, 0, 255, 255, 255, 0, 0, 0}));

    std::vector<unsigned char> grey(3);
    posix::drawing::convertLine(pixels, 3, 0, PixelType::Gray8, true, grey.data());
    EXPECT_EQ(grey, (std::vector<unsigned char>{0, 255, 76}));

    // Black stays black and white white; mid grey is about half black.
    std::vector<uint32_t> line(64, 0x00808080);
    line[0] = 0x00000000;
    line[1] = 0x00FFFFFF;
    int black = 0;
    for (int y = 0; y < 8; ++y) {
        std::vector<unsigned char> bits(posix::drawing::bytesPerLine(PixelType::Black1, 64));
        posix::drawing::convertLine(line.data(), 64, y, PixelType::Black1, false, bits.data());
        EXPECT_TRUE(bits[0] & 0x80);
        EXPECT_FALSE(bits[0] & 0x40);
        for (int x = 8; x < 64; ++x) black += (bits[x / 8] >> (7 - x % 8)) & 1;
    }
    EXPECT_NEAR(black, 56 * 8 / 2, 20);
}

TEST(RasterOutput, BacksAreTurnedAsThePrinterWantsThem) {
    struct Case {
        const char* sheetBack;
        bool shortEdge;
        BackSide turn;
    };
    const Case cases[] = {
        {"normal", false, {false, false}},       {"normal", true, {false, false}},
        {"manual-tumble", false, {false, false}}, {"manual-tumble", true, {true, true}},
        {"rotated", false, {true, true}},        {"rotated", true, {true, false}},
        {"flipped", false, {false, true}},       {"flipped", true, {true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sheetBack) + (c.shortEdge ? " short edge" : " long edge"));
        const BackSide turn = posix::drawing::backSideFor(c.sheetBack, c.shortEdge);
        EXPECT_EQ(turn.mirrored, c.turn.mirrored);
        EXPECT_EQ(turn.flipped, c.turn.flipped);
    }
}

// The pages a layout puts out, blank ones as "-".
std::string laidOut(posix::DocumentCopies copies, int pages) {
    std::string out;
    posix::CopyLayout<int> layout(copies, [&out](const int& page, bool blank) {
        out += blank ? std::string("-") : std::to_string(page);
    });
    for (int page = 1; page <= pages; ++page) layout.add(page);
    layout.finish();
    return out;
}

TEST(RasterOutput, CopiesInTheRasterComeCollatedOrNotEachCopyOnSheetsOfItsOwn) {
    EXPECT_EQ(laidOut({1, true, false, 1}, 3), "123");
    EXPECT_EQ(laidOut({2, true, false, 1}, 3), "123123");
    EXPECT_EQ(laidOut({2, false, false, 1}, 3), "112233");
    EXPECT_EQ(laidOut({2, true, true, 1}, 3), "123-123-");
    EXPECT_EQ(laidOut({2, false, true, 1}, 3), "12123-3-");
}

}  // namespace
