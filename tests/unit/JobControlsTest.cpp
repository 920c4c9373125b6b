// The job controls: where a page lands in each Scaling mode (exact
// rectangles), the Pages grammar, and the options as they reach the
// printer settings the device context is created with, or are refused
// with what the printer offers.
#include <gtest/gtest.h>

#include "common/JobControlsFixture.h"
#include "plat/Exception.h"
#include "print/JobOptions.h"
#include "print/JobParameters.h"
#include "print/PageLayout.h"
#include "print/PageSelection.h"
#include "print/PrintJob.h"
#include "unit/support/RecordingPrinter.h"
#include "unit/support/ScriptedPdfEngine.h"

namespace {

constexpr double kA4W = 595.2756, kA4H = 841.8898;

// An A4 sheet at 600 dpi with margins of 4 mm at the sides and 6 mm at top
// and bottom.
SheetMetrics a4Sheet() { return SheetMetrics{600, 600, 4960, 7015, 94, 141, 4772, 6733}; }

struct Rect {
    int32_t x, y, w, h;
    bool operator==(const Rect&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.w << " x " << r.h << ")";
}
Rect rendered(const PageLayout& p) { return {p.startX, p.startY, p.sizeX, p.sizeY}; }

}  // namespace

TEST(PageLayout, APageOnItsOwnPaperPrintsExactlyAsBefore) {
    // The paper's full size from the sheet's physical corner; turned, the
    // start values are exchanged and the logged ones are not.
    EXPECT_EQ(rendered(layOutPage(kA4W, kA4H, kA4W, kA4H, 0, true, Scaling::Auto, a4Sheet())),
              (Rect{-94, -141, 4960, 7015}));
    const PageLayout turned = layOutPage(kA4H, kA4W, kA4W, kA4H, 3, true, Scaling::Auto, a4Sheet());
    EXPECT_EQ(rendered(turned), (Rect{-141, -94, 4960, 7015}));
    EXPECT_EQ(turned.loggedX, -94);
    EXPECT_EQ(turned.loggedY, -141);
    // Stretch: the printable area, shape not kept.
    EXPECT_EQ(rendered(layOutPage(100, 100, kA4W, kA4H, 0, false, Scaling::Stretch, a4Sheet())),
              (Rect{0, 0, 4772, 6733}));
}

TEST(PageLayout, APageNoPaperFitsKeepsItsShapeCentredOnThePaper) {
    // The DocBook manual's 609.7 x 789 pt pages on A4: a little too wide,
    // so shrunk evenly (97.6 %) to the paper's width, upright, centred down
    // the paper: (7015 - 6418) / 2 below its top edge.
    const PageLayout docbook =
        layOutPage(609.714, 789.041, kA4W, kA4H, 0, false, Scaling::Auto, a4Sheet());
    EXPECT_EQ(rendered(docbook), (Rect{-94, -141 + 298, 4960, 6418}));
    EXPECT_NEAR(docbook.scaleX, docbook.scaleY, 0.001);
    EXPECT_NEAR(docbook.scaleX, 0.9763, 0.0005);
    // A 16:9 slide turned onto the portrait paper: its 960 points run down
    // the sheet, shrunk evenly to fit the paper's length.
    const PageLayout slide = layOutPage(960, 540, kA4W, kA4H, 3, false, Scaling::Auto, a4Sheet());
    EXPECT_EQ(rendered(slide), (Rect{-94 + 507, -141, 3945, 7015}));
    EXPECT_NEAR(slide.scaleX, slide.scaleY, 0.001);
    // A small label at its true size, in the middle of the paper.
    EXPECT_EQ(rendered(layOutPage(144, 72, kA4W, kA4H, 0, false, Scaling::Auto, a4Sheet())),
              (Rect{-94 + 1880, -141 + 3207, 1200, 600}));
}

TEST(PageLayout, FitAndNoneSizeEveryPageEvenly) {
    // Fit: as large as the printable area allows, centred in it, even a page
    // of the paper's own size.
    EXPECT_EQ(rendered(layOutPage(kA4W, kA4H, kA4W, kA4H, 0, true, Scaling::Fit, a4Sheet())),
              (Rect{6, 0, 4760, 6733}));
    // None: true size, centred on the paper, a large page cut by the margins.
    EXPECT_EQ(rendered(layOutPage(144, 72, kA4W, kA4H, 0, true, Scaling::None, a4Sheet())),
              (Rect{-94 + 1880, -141 + 3207, 1200, 600}));
    EXPECT_EQ(rendered(layOutPage(1190.55, 841.89, kA4W, kA4H, 3, false, Scaling::None, a4Sheet())),
              (Rect{-94 - 1027, -141 - 1453, 7015, 9921}));
}

TEST(PageLayout, OnlyAPageLyingTheOtherWayFromItsPaperTurns) {
    EXPECT_EQ(rotationByOrientation(842, 595, kA4W, kA4H), 3);
    EXPECT_EQ(rotationByOrientation(609.7, 789, kA4W, kA4H), 0);
    EXPECT_EQ(rotationByOrientation(500, 500, kA4W, kA4H), 0) << "a square page";
    EXPECT_EQ(rotationByOrientation(595, 842, 500, 500), 0) << "a square paper";
    EXPECT_EQ(rotationByOrientation(595, 842, kA4H, kA4W), 3);
}

TEST(PageSelection, ListsOfPagesAndRangesFromOne) {
    PageSelection pages;
    ASSERT_TRUE(pages.parse("1-3,7, 10-"));
    for (int index : {0, 1, 2, 6, 9, 500}) EXPECT_TRUE(pages.selects(index)) << index;
    for (int index : {3, 5, 7, 8}) EXPECT_FALSE(pages.selects(index)) << index;
    EXPECT_EQ(pages.count(12), 7);
    EXPECT_EQ(pages.count(2), 2);
    for (const char* bad : {"", "0", "3-1", "a", "1,,2", "1-2-3", "-4", "2,", "99999999999"}) {
        PageSelection unchanged;
        EXPECT_FALSE(unchanged.parse(bad)) << bad;
        EXPECT_TRUE(unchanged.all()) << bad;
    }
}

namespace {

class JobOptionsTest : public testsupport::JobControlsFixture<testsupport::RecordingPrinter,
                                                              testsupport::ScriptedPdfEngine> {
protected:
    JobOptionsTest() : JobControlsFixture(testsupport::kRecordingPrinterCalls, "createContext") {
        printer.setup().trays = {{posix::tray_id::Automatic, u"auto", "auto"}, {257, u"tray-2", "tray-2"}};
    }
};

}  // namespace

TEST_F(JobOptionsTest, EveryControlTravelsInTheSettingsWithItsFlag) {
    EXPECT_EQ(print(), "createContext paper=9 width=2100 length=2970 orientation=portrait form=A4")
        << "unset, the settings stay as the printer gave them";
    events.events.clear();
    for (const char* argument : {"Copies=3", "-collate=no", "--Duplex=short", "Tray=Tray 2", "Color=mono"})
        set(argument);
    EXPECT_EQ(print(), "createContext paper=9 width=2100 length=2970 orientation=portrait form=A4 copies=3 "
                       "collate=0 sides=short-edge tray=257 colour=monochrome");
    events.events.clear();
    set("Collate=yes");
    set("Duplex=long");
    set("Tray=auto");
    set("Color=color");
    EXPECT_EQ(print(), "createContext paper=9 width=2100 length=2970 orientation=portrait form=A4 copies=3 "
                       "collate=1 sides=long-edge tray=7 colour=colour");
}

namespace {

#include "common/JobControlsCases.inc"

}  // namespace
