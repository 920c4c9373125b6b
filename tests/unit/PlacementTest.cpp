// Where a placed page lands: the corners of the page as a viewer displays it
// (crop box, /Rotate, /UserUnit) go to the corners of the target rectangle
// that renderPage names, turned as asked, on a sheet with margins.
#include <gtest/gtest.h>

#include <cmath>

#include "posix/spooler/SheetGeometry.h"
#include "posix/assembly/Placement.h"

using posix::assembly::Box;
using posix::assembly::DisplayedPage;
using posix::assembly::Matrix;
using posix::assembly::TargetRect;

namespace {

// An A4 sheet at 300 dpi with 10 mm margins (118 pixels).
posix::SheetGeometry a4WithMargins() {
    posix::SheetGeometry sheet;
    sheet.dpiX = sheet.dpiY = 300;
    sheet.widthPoints = 595.2756;
    sheet.heightPoints = 841.8898;
    sheet.offsetX = sheet.offsetY = 118;
    sheet.printableWidth = 2244;
    sheet.printableHeight = 3271;
    sheet.leftMargin = sheet.topMargin = sheet.rightMargin = sheet.bottomMargin = 28.3465;
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
    // Neither the paper nor an even scale of the page: taken as it is.
    const TargetRect target{-118, -118, 2400, 3000};
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
        expectAt(onSheet(m, sheet, c.bottomRightX, c.bottomRightY), -118 + 2400, -118 + 3000);
        // Rotation 3: the page's top on the left side, its top-left corner at
        // the rectangle's bottom left.
        m = posix::assembly::pageToSheet(page, target, 3, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118, -118 + 3000);
        expectAt(onSheet(m, sheet, c.bottomRightX, c.bottomRightY), -118 + 2400, -118);
        // Rotation 1: the top on the right side; 2: upside down.
        m = posix::assembly::pageToSheet(page, target, 1, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118 + 2400, -118);
        m = posix::assembly::pageToSheet(page, target, 2, sheet);
        expectAt(onSheet(m, sheet, c.topLeftX, c.topLeftY), -118 + 2400, -118 + 3000);
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

TEST(Placement, PrintableAreaIsTheSheetLessItsExactMargins) {
    const Box area = posix::assembly::printableArea(a4WithMargins());
    EXPECT_NEAR(area.left, 28.3465, 1e-4);
    EXPECT_NEAR(area.top, 841.8898 - 28.3465, 1e-4);
    EXPECT_NEAR(area.right, 595.2756 - 28.3465, 1e-4);
    EXPECT_NEAR(area.bottom, 28.3465, 1e-4);
}

// The print job hands whole pixels: the paper's 4960.6 x 7015.7 pixels of
// A4 at 600 dpi become 4960 x 7015. Placing takes the exact rectangle they
// stand for, so a page at true size is placed 1:1.
TEST(Placement, APageAtTrueSizeIsPlacedOneToOneNotOnThePixelGrid) {
    posix::SheetGeometry a4;
    a4.dpiX = a4.dpiY = 600;
    a4.widthPoints = 595.2756;
    a4.heightPoints = 841.8898;
    a4.printableWidth = 4960;
    a4.printableHeight = 7015;
    const auto expectOneToOne = [](const Matrix& m, double e, double f) {
        EXPECT_NEAR(std::fabs(m.a + m.b), 1, 1e-9);
        EXPECT_NEAR(std::fabs(m.c + m.d), 1, 1e-9);
        EXPECT_NEAR(m.e, e, 1e-6);
        EXPECT_NEAR(m.f, f, 1e-6);
    };
    const TargetRect paper{0, 0, 4960, 7015};
    // On its own paper: an A4 page, and a 595 x 842 one, which is not
    // stretched to the paper's fractions of a point either.
    expectOneToOne(posix::assembly::pageToSheet(DisplayedPage::from(Box{0, 0, 595.2756, 841.8898}, std::nullopt, 0, 1),
                                                paper, 0, a4), 0, 0);
    expectOneToOne(posix::assembly::pageToSheet(DisplayedPage::from(Box{0, 0, 595, 842}, std::nullopt, 0, 1), paper,
                                                0, a4), 0, 841.8898 - 842);
    // Turned onto its paper: a landscape A4 page, its top to the left.
    expectOneToOne(posix::assembly::pageToSheet(DisplayedPage::from(Box{0, 0, 841.8898, 595.2756}, std::nullopt, 0, 1),
                                                paper, 3, a4), 595.2756, 0);
    // At true size, centred on a paper it does not match (Scaling=none):
    // 144 x 72 points are 1200 x 600 pixels.
    const Matrix centred = posix::assembly::pageToSheet(DisplayedPage::from(Box{0, 0, 144, 72}, std::nullopt, 0, 1),
                                                        TargetRect{1880, 3207, 1200, 600}, 0, a4);
    expectOneToOne(centred, (595.2756 - 144) / 2, (841.8898 - 72) / 2);
    // Shrunk evenly to fit the paper: the same scale across and down.
    const Matrix shrunk = posix::assembly::pageToSheet(DisplayedPage::from(Box{0, 0, 1190.55, 841.89}, std::nullopt, 0, 1),
                                                       TargetRect{0, 1754, 4960, 3507}, 0, a4);
    EXPECT_NEAR(shrunk.a, shrunk.d, 1e-9);
    EXPECT_NEAR(shrunk.a * 1190.55, 595.2756, 1e-6);
    EXPECT_NEAR(shrunk.f, (841.8898 - 841.89 * shrunk.d) / 2, 1e-6) << "centred exactly";
}
