// FPDF_RenderPage into a memory DC: what it draws, where, and what it
// leaves behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "StandinLibrary.h"
#include "TestFiles.h"

namespace standin_test {
namespace {

// A white 32-bit top-down DIB selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, width, height, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool valid() const { return dc_ && pixels_; }

    // Dark: what the black pen and text leave, antialiased edges included.
    bool dark(int x, int y) const {
        GdiFlush();
        std::uint32_t pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
        int sum = (pixel & 0xFF) + (pixel >> 8 & 0xFF) + (pixel >> 16 & 0xFF);
        return sum < 3 * 128;
    }
    bool white(int x, int y) const {
        GdiFlush();
        return (pixels_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF) == 0xFFFFFF;
    }
    int darkCount() const {
        int count = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) count += dark(x, y);
        return count;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

class StandinRender : public ::testing::Test {
protected:
    void SetUp() override {
        document_.reset(fpdf().loadDocument(sampleFile("mixed.pdf").c_str(), nullptr));
        ASSERT_TRUE(document_);
    }
    Page page(int index) { return Page(fpdf().loadPage(document_.get(), index)); }

    Document document_;
};

TEST_F(StandinRender, DrawsTheFrameOnTheRectangleAndNothingOutsideIt) {
    Canvas canvas(300, 240);
    ASSERT_TRUE(canvas.valid());
    Page first = page(0);
    const int left = 30, top = 20, width = 200, height = 160;
    fpdf().renderPage(canvas.dc(), first.get(), left, top, width, height, 0, 0);

    const int right = left + width - 1, bottom = top + height - 1;
    const int midX = left + width / 3, midY = top + height / 3;  // away from the label
    EXPECT_TRUE(canvas.dark(left, midY));
    EXPECT_TRUE(canvas.dark(right, midY));
    EXPECT_TRUE(canvas.dark(midX, top));
    EXPECT_TRUE(canvas.dark(midX, bottom));
    EXPECT_TRUE(canvas.dark(left, top));
    EXPECT_TRUE(canvas.dark(right, bottom));
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (x < left || x > right || y < top || y > bottom) {
                ASSERT_TRUE(canvas.white(x, y)) << "pixel (" << x << ", " << y << ")";
            }
        }
    }
}

TEST_F(StandinRender, DrawsAFrameAHundredthOfTheShorterSideWideAndBothDiagonals) {
    Canvas canvas(1000, 800);
    Page first = page(0);
    fpdf().renderPage(canvas.dc(), first.get(), 0, 0, 1000, 800, 0, 0);

    // 8 pixels of frame on the left edge at a third of the height, then paper.
    for (int x = 0; x < 8; ++x) EXPECT_TRUE(canvas.dark(x, 266)) << x;
    EXPECT_TRUE(canvas.white(12, 266));
    EXPECT_TRUE(canvas.white(500, 10));
    // Each diagonal passes through its quarter points.
    auto darkNear = [&canvas](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (canvas.dark(x + dx, y + dy)) return true;
        return false;
    };
    EXPECT_TRUE(darkNear(250, 200));
    EXPECT_TRUE(darkNear(750, 600));
    EXPECT_TRUE(darkNear(750, 200));
    EXPECT_TRUE(darkNear(250, 600));
    EXPECT_FALSE(darkNear(500, 100));
}

TEST_F(StandinRender, ClipsARectangleThatStartsOffTheSheet) {
    // The print job starts at minus the physical offsets.
    Canvas canvas(200, 150);
    Page first = page(0);
    fpdf().renderPage(canvas.dc(), first.get(), -10, -10, 180, 140, 0, 0);
    EXPECT_TRUE(canvas.dark(50, 129));
    EXPECT_TRUE(canvas.dark(169, 50));
    for (int x = 0; x < 200; ++x) EXPECT_TRUE(canvas.white(x, 131)) << x;
}

// The label's pixels: dark in this rendering but not in every one of the
// four turns (which share the frame and the diagonals).
using Mask = std::vector<bool>;

std::vector<Mask> labelMasks(const FpdfApi& api, FPDF_PAGE page, int side) {
    std::vector<Mask> renders;
    for (int rotate = 0; rotate < 4; ++rotate) {
        Canvas canvas(side, side);
        api.renderPage(canvas.dc(), page, 0, 0, side, side, rotate, 0);
        Mask mask(static_cast<std::size_t>(side) * side);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) mask[static_cast<std::size_t>(y) * side + x] = canvas.dark(x, y);
        renders.push_back(std::move(mask));
    }
    std::vector<Mask> labels(4, Mask(renders[0].size()));
    for (std::size_t i = 0; i < renders[0].size(); ++i) {
        bool shared = renders[0][i] && renders[1][i] && renders[2][i] && renders[3][i];
        for (int rotate = 0; rotate < 4; ++rotate) labels[rotate][i] = renders[rotate][i] && !shared;
    }
    return labels;
}

// How many of upright's label pixels, turned clockwise by quarterTurns about
// the centre, land within a pixel of one of turned's label pixels.
double matchTurned(const Mask& upright, const Mask& turned, int side, int quarterTurns) {
    int total = 0, matched = 0;
    auto at = [&](const Mask& mask, int x, int y) {
        return x >= 0 && y >= 0 && x < side && y < side && mask[static_cast<std::size_t>(y) * side + x];
    };
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (!at(upright, x, y)) continue;
            int tx = x, ty = y;
            for (int turn = 0; turn < quarterTurns; ++turn) {
                int nx = side - 1 - ty;  // a quarter turn clockwise, y pointing down
                ty = tx;
                tx = nx;
            }
            ++total;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) found = at(turned, tx + dx, ty + dy);
            matched += found;
        }
    }
    return total == 0 ? 0.0 : static_cast<double>(matched) / total;
}

TEST_F(StandinRender, TurnsTheLabelClockwiseForRotateOneAndCounterClockwiseForThree) {
    const int side = 400;
    Page first = page(0);
    std::vector<Mask> labels = labelMasks(fpdf(), first.get(), side);

    // The upright label is wide, centred and large.
    int minX = side, maxX = -1, minY = side, maxY = -1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (labels[0][static_cast<std::size_t>(y) * side + x]) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "no label drawn";
    EXPECT_GT(maxX - minX, side / 2);
    EXPECT_GT(maxX - minX, 2 * (maxY - minY));
    EXPECT_NEAR((minX + maxX) / 2.0, side / 2.0, side / 20.0);
    EXPECT_NEAR((minY + maxY) / 2.0, side / 2.0, side / 20.0);

    // Each turn matches the upright label turned its way, and not the
    // other way (clockwise against counter-clockwise, upside down against
    // upright).
    const int wrongTurns[4] = {0, 3, 0, 1};
    for (int rotate = 1; rotate < 4; ++rotate) {
        EXPECT_GT(matchTurned(labels[0], labels[rotate], side, rotate), 0.9) << "rotate " << rotate;
        EXPECT_LT(matchTurned(labels[0], labels[rotate], side, wrongTurns[rotate]), 0.6) << "rotate " << rotate;
    }
}

TEST_F(StandinRender, LabelsEachPageWithItsOwnNumber) {
    const int side = 300;
    Page first = page(0);
    Page second = page(1);
    Canvas one(side, side), two(side, side);
    fpdf().renderPage(one.dc(), first.get(), 0, 0, side, side, 0, 0);
    fpdf().renderPage(two.dc(), second.get(), 0, 0, side, side, 0, 0);
    int differing = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) differing += one.dark(x, y) != two.dark(x, y);
    EXPECT_GT(differing, 50);
}

TEST_F(StandinRender, LeavesTheDeviceContextAsItFoundIt) {
    Canvas canvas(200, 200);
    HDC dc = canvas.dc();
    HPEN pen = CreatePen(PS_DASH, 1, RGB(255, 0, 0));
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, RGB(0, 128, 0));
    IntersectClipRect(dc, 10, 10, 150, 150);
    MoveToEx(dc, 7, 9, nullptr);

    Page first = page(0);
    for (int i = 0; i < 20; ++i) fpdf().renderPage(dc, first.get(), 0, 0, 200, 200, i % 4, 0);

    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetTextAlign(dc), unsigned(TA_RIGHT | TA_BOTTOM));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 128, 0));
    RECT clip{};
    GetClipBox(dc, &clip);
    EXPECT_EQ(clip.left, 10);
    EXPECT_EQ(clip.right, 150);
    POINT position{};
    GetCurrentPositionEx(dc, &position);
    EXPECT_EQ(position.x, 7);
    EXPECT_EQ(position.y, 9);
    // And it drew within the caller's clip only.
    EXPECT_TRUE(canvas.white(5, 100));
    EXPECT_TRUE(canvas.dark(10, 10));

    SelectObject(dc, previousPen);
    DeleteObject(pen);
}

// The process's GDI handle table is small (about 65000 entries under Wine,
// 10000 on Windows): with it filled up to a few free entries, any object
// the renderer fails to delete uses one up for good.
TEST_F(StandinRender, DeletesEveryGdiObjectItCreates) {
    Canvas canvas(100, 100);
    Page first = page(0);
    std::vector<HBRUSH> filler;
    while (HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3))) filler.push_back(brush);
    ASSERT_GT(filler.size(), 100u);
    const std::size_t freeEntries = 40;
    for (std::size_t i = 0; i < freeEntries; ++i) {
        DeleteObject(filler.back());
        filler.pop_back();
    }

    for (int i = 0; i < 100; ++i) fpdf().renderPage(canvas.dc(), first.get(), 0, 0, 100, 100, i % 4, 0);
    std::size_t stillFree = 0;
    while (stillFree <= freeEntries) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        if (!brush) break;
        filler.push_back(brush);
        ++stillFree;
    }
    for (HBRUSH brush : filler) DeleteObject(brush);
    EXPECT_EQ(stillFree, freeEntries);
}

TEST_F(StandinRender, DrawsInDeviceUnitsWhateverTheMappingMode) {
    Canvas canvas(200, 200);
    SetMapMode(canvas.dc(), MM_ANISOTROPIC);
    SetWindowExtEx(canvas.dc(), 1, 1, nullptr);
    SetViewportExtEx(canvas.dc(), 3, 3, nullptr);
    SetViewportOrgEx(canvas.dc(), 17, 17, nullptr);
    Page first = page(0);
    fpdf().renderPage(canvas.dc(), first.get(), 20, 20, 100, 100, 0, 0);
    EXPECT_TRUE(canvas.dark(20, 50));
    EXPECT_TRUE(canvas.dark(119, 50));
    EXPECT_TRUE(canvas.white(121, 50));
    EXPECT_EQ(GetMapMode(canvas.dc()), MM_ANISOTROPIC);
}

TEST_F(StandinRender, IgnoresNullHandlesAndEmptyOrAbsurdRectangles) {
    Canvas canvas(100, 100);
    Page first = page(0);
    fpdf().renderPage(nullptr, first.get(), 0, 0, 100, 100, 0, 0);
    fpdf().renderPage(canvas.dc(), nullptr, 0, 0, 100, 100, 0, 0);
    fpdf().renderPage(canvas.dc(), first.get(), 0, 0, 0, 100, 0, 0);
    fpdf().renderPage(canvas.dc(), first.get(), 0, 0, 100, -5, 0, 0);
    EXPECT_EQ(canvas.darkCount(), 0);
    // Huge and odd values must neither crash nor hang.
    fpdf().renderPage(canvas.dc(), first.get(), INT_MAX, INT_MIN, INT_MAX, INT_MAX, 7, 0);
    fpdf().renderPage(canvas.dc(), first.get(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, -3, 0);
    fpdf().renderPage(canvas.dc(), first.get(), 10, 10, 1, 1, 0, 0);
}

}  // namespace
}  // namespace standin_test
