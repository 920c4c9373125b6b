// Paper=: where pages of a size no paper has go, through a whole print job
// on a recording label printer: the paper the settings are switched to,
// what is drawn where, the log lines and the plan of a dry run. Unset,
// nothing of the job changes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plat/Exception.h"
#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "unit/support/RecordingPrinter.h"
#include "unit/support/ScriptedPdfEngine.h"

namespace {

using namespace testsupport;
using Events = std::vector<std::string>;

constexpr double kMm = 72 / 25.4;
const ScriptedPage kParcelLabel{100 * kMm, 150 * kMm, true};   // 100 x 150 mm
const ScriptedPage kReceipt{80 * kMm, 200 * kMm, true};        // 80 x 200 mm
const ScriptedPage kWideReceipt{200 * kMm, 80 * kMm, true};    // the same, lying

// A label printer at 203 dpi: 4 x 5 in stock by default, no margins.
std::vector<posix::Paper> labelStock() {
    return {{257, u"4x5", 10160, 12700, 0, 0, 0, 0},
            {258, u"4x6", 10160, 15240, 0, 0, 0, 0},
            {259, u"4x8", 10160, 20320, 0, 0, 0, 0},
            {posix::paper_id::A4, u"A4", 21000, 29700, 0, 0, 0, 0}};
}

class PaperRuleTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingPrinter printer{events};
    ScriptedPdfEngine engine{events};
    WriterCapture printLines{pdfPrintLog};

    PaperRuleTest() {
        printer.setup().papers = labelStock();
        printer.setup().defaults = posix::PrinterDefaults{0, posix::Orientation::Portrait, 203, 203};
    }

    // Prints the pages with the Paper rule (and name) given.
    void print(std::vector<ScriptedPage> pages, std::optional<PaperRule> rule, const std::string& name = "") {
        engine.script("doc.pdf", ScriptedDocument{std::move(pages), kPdfLoaded});
        PrintJob job("rec:labels");
        job.options.paper = rule;
        job.options.paperName = name;
        job.print("doc.pdf", "Labels", false);
    }
    std::string plan(std::vector<ScriptedPage> pages, std::optional<PaperRule> rule, const std::string& name = "") {
        engine.script("doc.pdf", ScriptedDocument{std::move(pages), kPdfLoaded});
        PrintJob job("rec:labels");
        job.options.paper = rule;
        job.options.paperName = name;
        char* text = nullptr;
        size_t size = 0;
        FILE* out = open_memstream(&text, &size);
        job.planOnly = out;
        job.print("doc.pdf", "Labels", false);
        std::fclose(out);
        std::string lines(text, size);
        std::free(text);
        std::string pageLines;
        for (size_t at = lines.find("page\t"); at != std::string::npos; at = lines.find("page\t", at + 1))
            pageLines += lines.substr(at, lines.find('\n', at) + 1 - at);
        return pageLines;
    }
    Events resets() const { return events.startingWith("reset"); }
    Events renders() const { return events.startingWith("renderPage"); }
};

TEST_F(PaperRuleTest, UnsetALabelOfNoStocksSizeIsShrunkOntoTheDefaultStockAsAlways) {
    print({kParcelLabel}, std::nullopt);
    EXPECT_TRUE(resets().empty());
    // 4 x 5 in at 203 dpi is 812 x 1016 pixels; the label shrinks to 84.6 %.
    EXPECT_EQ(renders(), Events{"renderPage 0 start=(68,0) size=(676,1015) rotate=0"});
    EXPECT_TRUE(printLines.logger.contains("Unable to find new paper Size!"));
    EXPECT_FALSE(printLines.logger.contains("Taking"));
}

TEST_F(PaperRuleTest, SmallestPutsTheLabelAndTheReceiptAtTrueSizeOnTheStockThatHoldsThem) {
    print({kParcelLabel, kReceipt, kWideReceipt}, PaperRule::Smallest);
    EXPECT_EQ(resets(), (Events{"reset paper=258 width=1016 length=1524 orientation=portrait form=4x6",
                                "reset paper=259 width=1016 length=2032 orientation=portrait form=4x8",
                                "reset paper=259 width=1016 length=2032 orientation=portrait form=4x8"}));
    // True size, centred: 100 mm is 799 pixels of the stock's 812 (scales
    // below 100 % are the pixels' truncation).
    EXPECT_EQ(renders(), (Events{"renderPage 0 start=(6,10) size=(799,1198) rotate=0",
                                 "renderPage 1 start=(86,13) size=(639,1598) rotate=0",
                                 "renderPage 2 start=(86,13) size=(639,1598) rotate=3"}));
    EXPECT_TRUE(printLines.logger.contains("Taking paper Size 4x6, the smallest that holds the page - no rotation"));
    EXPECT_TRUE(printLines.logger.contains("Taking paper Size 4x8, the smallest that holds the page - needs rotation"));
    EXPECT_EQ(plan({kParcelLabel, kReceipt}, PaperRule::Smallest),
              "page\t1\t100.0\t150.0\t4x6\tupright\t100.0\t99.9\tdrawn\n"
              "page\t2\t80.0\t200.0\t4x8\tupright\t99.9\t100.0\tdrawn\n");
}

TEST_F(PaperRuleTest, ExactGivesEachPageAPaperOfItsOwnSizeWherePrinterTakesOne) {
    // The stock is 4 in wide at most, as long as 50 in.
    printer.setup().customSizes = posix::CustomSizes{1270, 1270, 10160, 127000};
    print({kParcelLabel, kWideReceipt}, PaperRule::Exact);
    EXPECT_EQ(resets(), (Events{"reset paper=256 width=1000 length=1500 orientation=portrait form=",
                                "reset paper=256 width=800 length=2000 orientation=portrait form="}));
    // Each on its own paper, 1:1; the lying receipt turned onto the roll.
    EXPECT_EQ(renders(), (Events{"renderPage 0 start=(0,0) size=(799,1198) rotate=0",
                                 "renderPage 1 start=(0,0) size=(639,1598) rotate=3"}));
    EXPECT_TRUE(printLines.logger.contains("Taking a paper of the page's own size (100.0 x 150.0 mm) - no rotation"));
    EXPECT_EQ(plan({kParcelLabel}, PaperRule::Exact), "page\t1\t100.0\t150.0\tcustom\tupright\t100.0\t99.9\tdrawn\n");

    // Without sizes of its own, exact is smallest.
    printer.setup().customSizes.reset();
    EXPECT_EQ(plan({kParcelLabel}, PaperRule::Exact), "page\t1\t100.0\t150.0\t4x6\tupright\t100.0\t99.9\tdrawn\n");
}

TEST_F(PaperRuleTest, ANamedPaperTakesEveryPageAndAnUnknownNameIsRefusedBeforeAnyJob) {
    print({kParcelLabel, ScriptedPage{595, 842, true}}, PaperRule::Named, "a4");
    // The job begins on A4; the label goes there at true size, the A4 page is on its own paper.
    EXPECT_EQ(events.startingWith("createContext"),
              Events{"createContext paper=9 width=2100 length=2970 orientation=portrait form=A4"});
    EXPECT_TRUE(printLines.logger.contains("Taking paper Size A4, as Paper names it - no rotation"));
    EXPECT_TRUE(printLines.logger.contains("Found paper Size A4 - no rotation"));

    engine.script("doc.pdf", ScriptedDocument{{kParcelLabel}, kPdfLoaded});
    PrintJob job("rec:labels");
    job.options.paper = PaperRule::Named;
    job.options.paperName = "6x4";
    try {
        job.print("doc.pdf", "Labels", false);
        ADD_FAILURE() << "a paper the printer does not have was taken";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message, "Paper=6x4 is not offered by the printer: it has 4x5, 4x6, 4x8, A4");
    }
    EXPECT_EQ(events.count("startDoc"), 1u) << "only the first run started a job";
}

}  // namespace
