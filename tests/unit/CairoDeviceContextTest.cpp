// The cairo device context: its device units and capabilities, one paper
// per page, the PDF streamed into the job, and a job that never prints in
// part.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>

#include "posix/drawing/CairoDeviceContext.h"
#include "posix/spooler/DriverSettings.h"
#include "unit/support/MemoryPrinter.h"

using testing_support::MemoryJobLog;
using testing_support::MemoryPrinter;

namespace {

constexpr double kA4Width = 595.2756, kA4Height = 841.8898;

class CairoContextTest : public ::testing::Test {
protected:
    CairoContextTest() : driver_("mem:test", log_) {
        driver_.papers_ = testing_support::standardPapers();
        driver_.defaults_ = {0, posix::Orientation::Portrait, 300, 300};
    }

    posix::JobSettings settingsFor(int16_t paper, posix::Orientation orientation = posix::Orientation::Portrait) {
        posix::JobSettings settings = posix::defaultSettings(driver_);
        settings.paperId = paper;
        settings.orientation = orientation;
        return settings;
    }

    // A page with a black rectangle over the whole printable area.
    static void fillPrintableArea(posix::DeviceContext& dc) {
        cairo_t* cr = dc.cairo();
        ASSERT_NE(cr, nullptr);
        cairo_rectangle(cr, -10000, -10000, 30000, 30000);
        cairo_fill(cr);
    }

    std::shared_ptr<MemoryJobLog> log_ = std::make_shared<MemoryJobLog>();
    MemoryPrinter driver_;
};

}  // namespace

// ------------------------------------------------------------ capabilities

TEST_F(CairoContextTest, DeviceUnitsArePixelsOfTheSettingsResolution) {
    posix::JobSettings settings = settingsFor(posix::paper_id::A4);
    settings.dpiX = 600;
    settings.dpiY = 300;
    posix::drawing::CairoDeviceContext dc(driver_, settings);
    EXPECT_EQ(dc.measure(SheetMetric::DotsPerInchAcross), 600);
    EXPECT_EQ(dc.measure(SheetMetric::DotsPerInchDown), 300);
    EXPECT_EQ(dc.measure(SheetMetric::PaperWidth), 4960);   // 210 mm at 600 dpi, truncated
    EXPECT_EQ(dc.measure(SheetMetric::PaperHeight), 3507);  // 297 mm at 300 dpi
    EXPECT_EQ(dc.measure(SheetMetric::PrintableWidth), 4960);
    EXPECT_EQ(dc.measure(SheetMetric::PrintableHeight), 3507);
    EXPECT_EQ(dc.measure(SheetMetric::MarginLeft), 0);

    settings.dpiX = 0;             // none given: the driver's dpi then
    settings.dpiY = 0;    // and the vertical resolution follows the horizontal
    ASSERT_TRUE(dc.reset(settings));
    EXPECT_EQ(dc.measure(SheetMetric::DotsPerInchAcross), 300);
    EXPECT_EQ(dc.measure(SheetMetric::DotsPerInchDown), 300);
    settings.dpiX = 150;
    ASSERT_TRUE(dc.reset(settings));
    EXPECT_EQ(dc.measure(SheetMetric::DotsPerInchDown), 150);
}

TEST_F(CairoContextTest, MarginsGiveTheOffsetsAndThePrintableArea) {
    driver_.papers_ = testing_support::standardPapers(0);
    driver_.papers_[0].marginLeft = 254;    // 1/10 inch: 30 px at 300 dpi
    driver_.papers_[0].marginTop = 508;     // 60 px
    driver_.papers_[0].marginRight = 254;
    driver_.papers_[0].marginBottom = 1270; // 150 px
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    EXPECT_EQ(dc.measure(SheetMetric::MarginLeft), 30);
    EXPECT_EQ(dc.measure(SheetMetric::MarginTop), 60);
    EXPECT_EQ(dc.measure(SheetMetric::PaperWidth), 2480);
    EXPECT_EQ(dc.measure(SheetMetric::PrintableWidth), 2480 - 60);
    EXPECT_EQ(dc.measure(SheetMetric::PrintableHeight), 3507 - 60 - 150);

    // Landscape turns the sheet: width and length change places, and so do
    // the margins (the left edge comes to the top).
    ASSERT_TRUE(dc.reset(settingsFor(posix::paper_id::A4, posix::Orientation::Landscape)));
    EXPECT_EQ(dc.measure(SheetMetric::PaperWidth), 3507);
    EXPECT_EQ(dc.measure(SheetMetric::PaperHeight), 2480);
    EXPECT_EQ(dc.measure(SheetMetric::MarginLeft), 150);
    EXPECT_EQ(dc.measure(SheetMetric::MarginTop), 30);
}

TEST_F(CairoContextTest, ASizeNoPaperHasKeepsItsSizeWithTheDefaultMargins) {
    driver_.papers_ = testing_support::standardPapers(500);
    posix::JobSettings settings = settingsFor(0);
    settings.paperWidth = 1000;   // 100 mm
    settings.paperLength = 1500;  // 150 mm
    posix::drawing::CairoDeviceContext dc(driver_, settings);
    EXPECT_EQ(dc.measure(SheetMetric::PaperWidth), 1181);
    EXPECT_EQ(dc.measure(SheetMetric::PaperHeight), 1771);
    EXPECT_EQ(dc.measure(SheetMetric::MarginLeft), 59);

    settings.paperWidth = 2159;   // Letter by size, without its id
    settings.paperLength = 2794;
    ASSERT_TRUE(dc.reset(settings));
    EXPECT_EQ(dc.measure(SheetMetric::PaperWidth), 2550);
}

// ------------------------------------------------------------------ output

TEST_F(CairoContextTest, EveryPageGetsThePaperOfTheLastReset) {
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc.startDoc(u"Three papers"), 0);
    ASSERT_GT(dc.startPage(), 0);
    ASSERT_GT(dc.endPage(), 0);
    ASSERT_TRUE(dc.reset(settingsFor(posix::paper_id::Letter)));
    ASSERT_GT(dc.startPage(), 0);
    EXPECT_TRUE(dc.reset(settingsFor(posix::paper_id::A5)));  // inside a page: for the next one
    EXPECT_EQ(dc.measure(SheetMetric::PaperWidth), 2550) << "the page in progress keeps Letter";
    ASSERT_GT(dc.endPage(), 0);
    ASSERT_GT(dc.startPage(), 0);
    ASSERT_GT(dc.endPage(), 0);
    ASSERT_TRUE(dc.reset(settingsFor(posix::paper_id::A4, posix::Orientation::Landscape)));
    ASSERT_GT(dc.startPage(), 0);
    ASSERT_GT(dc.endPage(), 0);
    ASSERT_GT(dc.endDoc(), 0);

    EXPECT_TRUE(log_->finished);
    EXPECT_FALSE(log_->cancelled);
    EXPECT_EQ(log_->title, "Three papers");
    const auto pages = testing_support::pageSizes(log_->bytes);
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_NEAR(pages[0].width, kA4Width, 0.01);
    EXPECT_NEAR(pages[0].height, kA4Height, 0.01);
    EXPECT_NEAR(pages[1].width, 612, 0.01);
    EXPECT_NEAR(pages[1].height, 792, 0.01);
    EXPECT_NEAR(pages[2].width, 419.53, 0.01);
    EXPECT_NEAR(pages[3].width, kA4Height, 0.01);
    EXPECT_NEAR(pages[3].height, kA4Width, 0.01);
}

TEST_F(CairoContextTest, DrawingStartsAtThePrintableCornerAndIsClippedToIt) {
    driver_.papers_[0].marginLeft = driver_.papers_[0].marginTop = 1000;   // 10 mm
    driver_.papers_[0].marginRight = driver_.papers_[0].marginBottom = 2000;
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc.startDoc(u"Clip"), 0);
    ASSERT_GT(dc.startPage(), 0);
    fillPrintableArea(dc);
    ASSERT_GT(dc.endPage(), 0);
    ASSERT_GT(dc.endDoc(), 0);

    const std::string& pdf = log_->bytes;
    EXPECT_GT(testing_support::darknessAt(pdf, 0, 15, 15), 0.9) << "inside the printable area";
    EXPECT_GT(testing_support::darknessAt(pdf, 0, 185, 272), 0.9);
    EXPECT_LT(testing_support::darknessAt(pdf, 0, 5, 150), 0.1) << "left margin";
    EXPECT_LT(testing_support::darknessAt(pdf, 0, 100, 5), 0.1) << "top margin";
    EXPECT_LT(testing_support::darknessAt(pdf, 0, 200, 150), 0.1) << "right margin";
    EXPECT_LT(testing_support::darknessAt(pdf, 0, 100, 292), 0.1) << "bottom margin";

    // Device unit (0, 0) is the printable corner: a 10 px square there.
    posix::drawing::CairoDeviceContext dc2(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc2.startDoc(u"Origin"), 0);
    ASSERT_GT(dc2.startPage(), 0);
    cairo_rectangle(dc2.cairo(), 0, 0, 118, 118);  // 10 mm at 300 dpi
    cairo_fill(dc2.cairo());
    ASSERT_GT(dc2.endPage(), 0);
    ASSERT_GT(dc2.endDoc(), 0);
    EXPECT_GT(testing_support::darknessAt(log_->bytes, 0, 15, 15), 0.9);
    EXPECT_LT(testing_support::darknessAt(log_->bytes, 0, 25, 15), 0.1);
}

TEST_F(CairoContextTest, PagesReachTheJobAsTheyAreFinished) {
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc.startDoc(u"Streamed"), 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_GT(dc.startPage(), 0);
        fillPrintableArea(dc);
        ASSERT_GT(dc.endPage(), 0);
    }
    EXPECT_GT(log_->bytes.size(), 0u) << "nothing is held back until the end";
    const size_t before = log_->bytes.size();
    ASSERT_GT(dc.endDoc(), 0);
    EXPECT_GT(log_->bytes.size(), before);
}

TEST_F(CairoContextTest, ADocumentWithoutPagesIsAnEmptyPdfNotABlankSheet) {
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc.startDoc(u"Nothing \u00e9"), 0);
    ASSERT_GT(dc.endDoc(), 0);
    EXPECT_TRUE(log_->finished);
    bool readable = false;
    EXPECT_TRUE(testing_support::pageSizes(log_->bytes, &readable).empty());
    EXPECT_TRUE(readable);
}

TEST_F(CairoContextTest, CallsOutOfOrderFailWithoutHarm) {
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    EXPECT_LE(dc.startPage(), 0) << "no document yet";
    EXPECT_LE(dc.endDoc(), 0);
    EXPECT_EQ(dc.cairo(), nullptr);
    ASSERT_GT(dc.startDoc(u"Twice"), 0);
    EXPECT_LE(dc.startDoc(u"Twice"), 0);
    ASSERT_GT(dc.startPage(), 0);
    EXPECT_LE(dc.startPage(), 0) << "a page is in progress";
    EXPECT_GT(dc.endDoc(), 0) << "ending the document ends the open page";
    EXPECT_EQ(testing_support::pageSizes(log_->bytes).size(), 1u);
    EXPECT_EQ(log_->jobsStarted, 1);
}

// ------------------------------------------------------------ cancellation

TEST_F(CairoContextTest, AbandonedOrAbortedDocumentsAreCancelledNotSubmitted) {
    {
        posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
        ASSERT_GT(dc.startDoc(u"Abandoned"), 0);
        ASSERT_GT(dc.startPage(), 0);
        fillPrintableArea(dc);
    }
    EXPECT_TRUE(log_->cancelled);
    EXPECT_FALSE(log_->finished);

    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc.startDoc(u"Aborted"), 0);
    ASSERT_GT(dc.startPage(), 0);
    ASSERT_GT(dc.endPage(), 0);
    EXPECT_GT(dc.abortDoc(), 0);
    EXPECT_TRUE(log_->cancelled);
    EXPECT_FALSE(log_->finished);
    EXPECT_LE(dc.endDoc(), 0) << "nothing left to end";
    EXPECT_FALSE(log_->finished);
}

TEST_F(CairoContextTest, AJobThatStopsTakingOutputFailsAndIsCancelled) {
    log_->failWritesAfter = 600;
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    ASSERT_GT(dc.startDoc(u"Disk full"), 0);
    for (int i = 0; i < 4; ++i) {
        dc.startPage();
        if (dc.cairo()) fillPrintableArea(dc);
        dc.endPage();
    }
    SetLastError(0);
    EXPECT_LE(dc.endDoc(), 0);
    EXPECT_TRUE(dc.failed());
    EXPECT_EQ(GetLastError(), 28u) << "the job's own error is kept";
    EXPECT_TRUE(log_->cancelled);
    EXPECT_FALSE(log_->finished);
}

TEST_F(CairoContextTest, AJobThatCannotStartOrBeSubmittedFails) {
    log_->failStart = true;
    posix::drawing::CairoDeviceContext dc(driver_, settingsFor(posix::paper_id::A4));
    SetLastError(0);
    EXPECT_LE(dc.startDoc(u"No job"), 0);
    EXPECT_EQ(GetLastError(), 13u);
    EXPECT_LE(dc.startPage(), 0);

    log_->failStart = false;
    log_->failFinish = true;
    ASSERT_GT(dc.startDoc(u"Refused"), 0);
    ASSERT_GT(dc.startPage(), 0);
    ASSERT_GT(dc.endPage(), 0);
    EXPECT_LE(dc.endDoc(), 0);
    EXPECT_TRUE(log_->cancelled);
}
