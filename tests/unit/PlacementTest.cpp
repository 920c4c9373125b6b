// Where a placed page lands: the corners of the page as a viewer displays it
// (crop box, /Rotate, /UserUnit) go to the corners of the target rectangle
// that FPDF_RenderPage names, turned as asked, on a sheet with margins.
#include <gtest/gtest.h>

#include "posix/spooler/SheetGeometry.h"
#include "posix/assembly/Placement.h"

using posix::assembly::Box;
using posix::assembly::DisplayedPage;
using posix::assembly::Matrix;
using posix::assembly::TargetRect;

namespace {

// An A4 sheet at 300 dpi with 10 mm margins left and top (118 pixels).
posix::SheetGeometry a4WithMargins() {
    posix::SheetGeometry sheet;
    sheet.dpiX = sheet.dpiY = 300;
    sheet.widthPoints = 595.2756;
    sheet.heightPoints = 841.8898;
    sheet.offsetX = sheet.offsetY = 118;
    sheet.printableWidth = 2244;
    sheet.printableHeight = 3271;
    return sheet;
}

// A point of the sheet in device units: pixels from the printable area's
// top-left corner, y down.
struct DevicePoint {
    double x, y;
};

DevicePoint onSheet(const Matrix& pageToSheet, const posix::SheetGeometry& sheet, double x, double y) {
    double sx, sy;
    pageToSheet.apply(x, y, sx, sy);
    return {sx * sheet.dpiX / 72 - sheet.offsetX, (sheet.heightPoints - sy) * sheet.dpiY / 72 - sheet.offsetY};
}

void expectAt(DevicePoint actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, 1e-6);
    EXPECT_NEAR(actual.y, y, 1e-6);
}

}  // namespace

TEST(Placement, DisplayedSizeFollowsCropBoxRotateAndUserUnit) {
    const Box media{0, 0, 600, 800};
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, std::nullopt, 0, 1).width(), 600);
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, std::nullopt, 90, 1).width(), 800);
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, std::nullopt, -90, 1).height(), 600);
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, std::nullopt, 45, 1).width(), 600) << "not a quarter: ignored";
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, std::nullopt, 0, 2).height(), 1600);
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, std::nullopt, 0, -1).height(), 800) << "unusable unit: 1";
    // A crop box is cut to the media box; one that misses it is ignored.
    const DisplayedPage cut = DisplayedPage::from(media, Box{500, 700, 900, 900}, 0, 1);
    EXPECT_DOUBLE_EQ(cut.width(), 100);
    EXPECT_DOUBLE_EQ(cut.height(), 100);
    EXPECT_DOUBLE_EQ(DisplayedPage::from(media, Box{700, 900, 800, 1000}, 0, 1).width(), 600);
}

TEST(Placement, TheDisplayedTopLeftCornerGoesWhereRenderingPutsIt) {
    const posix::SheetGeometry sheet = a4WithMargins();
    const TargetRect target{-118, -118, 2480, 3507};
    const Box crop{50, 100, 250, 400};   // 200 x 300 in the page's space

    // For each /Rotate: the page-space point shown at the displayed top-left
    // and the one shown at the displayed bottom-right.
    struct Case {
        int pageRotate;
        double topLeftX, topLeftY, bottomRightX, bottomRightY;
    };
    const Case cases[] = {
        {0, 50, 400, 250, 100},
        {90, 50, 100, 250, 400},    // turned clockwise: the left edge is on top
        {180, 250, 100, 50, 400},
        {270, 250, 400, 50, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pageRotate);
        const DisplayedPage page = DisplayedPage::from(Box{0, 0, 600, 800}, crop, c.pageRotate, 1);
        // Upright: the corners of the target rectangle.
        Matrix m = posix::assembly::pageToSheet(page, target, 0, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118, -118);
        expectAt(onSheet(m, sheet, c.bottomRightX, c.bottomRightY), -118 + 2480, -118 + 3507);
        // Rotation 3: the page's top on the left side, its top-left corner at
        // the rectangle's bottom left.
        m = posix::assembly::pageToSheet(page, target, 3, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118, -118 + 3507);
        expectAt(onSheet(m, sheet, c.bottomRightX, c.bottomRightY), -118 + 2480, -118);
        // Rotation 1: the top on the right side; 2: upside down.
        m = posix::assembly::pageToSheet(page, target, 1, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118 + 2480, -118);
        m = posix::assembly::pageToSheet(page, target, 2, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118 + 2480, -118 + 3507);
    }
}

TEST(Placement, UserUnitAndIndependentScalesReachTheRectangleExactly) {
    const posix::SheetGeometry sheet = a4WithMargins();
    const DisplayedPage page = DisplayedPage::from(Box{0, 0, 100, 100}, std::nullopt, 0, 3);
    const Matrix m = posix::assembly::pageToSheet(page, TargetRect{10, 20, 600, 300}, 0, sheet);
    expectAt(onSheet(m, sheet, 0, 100), 10, 20);
    expectAt(onSheet(m, sheet, 50, 50), 310, 170);
    expectAt(onSheet(m, sheet, 100, 0), 610, 320);
}

TEST(Placement, PrintableAreaIsTheSheetLessItsMarginsInPoints) {
    const Box area = posix::assembly::printableArea(a4WithMargins());
    EXPECT_NEAR(area.left, 118 * 72.0 / 300, 1e-9);
    EXPECT_NEAR(area.top, 841.8898 - 118 * 72.0 / 300, 1e-9);
    EXPECT_NEAR(area.width(), 2244 * 72.0 / 300, 1e-9);
    EXPECT_NEAR(area.height(), 3271 * 72.0 / 300, 1e-9);
}
