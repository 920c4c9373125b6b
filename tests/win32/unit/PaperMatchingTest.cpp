// The per-page choice of paper and rotation: which printer paper a page
// takes, what the settings and device context are switched to, and how the
// turn is decided when no paper fits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "unit/support/LogRecording.h"
#include "win32/printing/SpoolerPrinter.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace {

using testsupport::EventLog;
using testsupport::RecordingSpooler;
using testsupport::WriterCapture;

constexpr double kA4WidthPoints = 2100 * 72 / 254.0;
constexpr double kA4HeightPoints = 2970 * 72 / 254.0;

testsupport::SpoolerPaper paper(int16_t id, std::wstring name, int32_t widthTenths, int32_t lengthTenths) {
    return {id, std::move(name), widthTenths * 10, lengthTenths * 10, 0, 0, 0, 0};
}

// The spooler's device context is made whatever the document.
class NoPdf : public PdfDocument {
public:
    int pageCount() override { return 0; }
    unsigned long permissions() override { return kAllPermissions; }
    std::unique_ptr<PdfPage> loadPage(int) override { return nullptr; }
};

// A job as print() leaves it before the first page: the printer's table
// loaded, its A4 default settings in place and a device context made from
// them.
class PaperMatchingTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingSpooler printer{events};
    WriterCapture printLines{pdfPrintLog};
    NoPdf noPdf;
    PrintJob job{"rec:printer"};

    PaperMatchingTest() { usePapers(testsupport::officePapers()); }

    // The job's settings, in the printer's record.
    DEVMODEW& settings() { return *static_cast<winprint::SpoolerPrinter&>(*job.printer).settings(); }

    void usePapers(std::vector<testsupport::SpoolerPaper> papers) {
        printer.setup().papers = std::move(papers);
        job.document.reset();
        // The settings as the Windows spooler keeps them, a DEVMODEW edited in place.
        job.printer = std::make_unique<winprint::SpoolerPrinter>(printer.name().c_str());
        job.paperSizes.load(*job.printer);
        job.printer->loadSettings();

        DEVMODEW& record = settings();
        std::memset(&record, 0, sizeof record);
        record.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
        record.dmOrientation = DMORIENT_PORTRAIT;
        record.dmPaperSize = DMPAPER_A4;
        record.dmPaperWidth = 2100;
        record.dmPaperLength = 2970;
        std::memcpy(record.dmFormName, L"A4", sizeof L"A4");
        StepOutcome made;
        job.document = job.printer->createDocument(noPdf, made);
        ASSERT_NE(job.document, nullptr);
        job.paperWidth = kA4WidthPoints;
        job.paperHeight = kA4HeightPoints;
        job.rotation = 0;
        events.events.clear();
        printLines.logger.lines.clear();
    }

    std::vector<std::string> resets() const { return events.startingWith("ResetDCW"); }
};

TEST_F(PaperMatchingTest, UprightPageTakesItsPaperAndResetsTheDeviceContext) {
    usePapers({paper(DMPAPER_A5, L"A5", 1480, 2100), paper(DMPAPER_A4, L"ISO A4", 2100, 2970)});
    settings().dmPaperSize = DMPAPER_A5;   // as if the last page was A5
    job.paperWidth = job.paperHeight = 100.0;
    job.rotation = 3;

    job.choosePaper(595, 842);   // 2099 x 2970 tenths

    EXPECT_EQ(job.rotation, 0);
    EXPECT_EQ(settings().dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(settings().dmPaperWidth, 2100);
    EXPECT_EQ(settings().dmPaperLength, 2970);
    EXPECT_EQ(testsupport::formNameOf(settings()), "ISO A4");
    EXPECT_DOUBLE_EQ(job.paperWidth, kA4WidthPoints);
    EXPECT_DOUBLE_EQ(job.paperHeight, kA4HeightPoints);
    EXPECT_EQ(resets(), std::vector<std::string>{
                            "ResetDCW paper=9 width=2100 length=2970 orientation=1 form=ISO A4"});
    EXPECT_EQ(printLines.logger.texts(),
              (std::vector<std::string>{"Setting PaperSize printer (100.000000,100.000000)pts",
                                        "PaperSize page            (595.000000,842.000000)pts",
                                        "Found paper Size ISO A4 - no rotation"}));
    for (const auto& line : printLines.logger.lines) {
        EXPECT_EQ(line.level, plat::LevelInfo);
        EXPECT_EQ(line.writer, "PDFPrintFns");
    }
}

TEST_F(PaperMatchingTest, TurnedPageTakesTheUprightPaperAndIsRotated) {
    job.choosePaper(842, 595);   // 2970 x 2099: only A4 turned fits

    EXPECT_EQ(job.rotation, 3);
    EXPECT_EQ(settings().dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(settings().dmPaperWidth, 2100);
    EXPECT_EQ(settings().dmPaperLength, 2970);
    EXPECT_EQ(settings().dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_DOUBLE_EQ(job.paperWidth, kA4WidthPoints);
    EXPECT_DOUBLE_EQ(job.paperHeight, kA4HeightPoints);
    EXPECT_EQ(resets().size(), 1u);
    EXPECT_TRUE(printLines.logger.contains("Found paper Size A4 - needs rotation"));
}

TEST_F(PaperMatchingTest, LetterPageFindsLetterPaper) {
    job.choosePaper(612, 792);   // 2159 x 2794
    EXPECT_EQ(job.rotation, 0);
    EXPECT_EQ(settings().dmPaperSize, DMPAPER_LETTER);
    EXPECT_EQ(settings().dmPaperWidth, 2159);
    EXPECT_EQ(settings().dmPaperLength, 2794);
    EXPECT_DOUBLE_EQ(job.paperWidth, 612.0);
    EXPECT_DOUBLE_EQ(job.paperHeight, 792.0);
    EXPECT_EQ(resets(), std::vector<std::string>{
                            "ResetDCW paper=1 width=2159 length=2794 orientation=1 form=Letter"});
}

TEST_F(PaperMatchingTest, PapersWithinOneTenthMatchAndTwoTenthsOffDoNot) {
    // The page is 2099 x 2970 tenths.
    struct Case {
        int32_t width;
        int32_t length;
        bool hits;
    };
    const Case cases[] = {
        {2100, 2970, true},  {2098, 2970, true},  {2099, 2971, true},  {2100, 2969, true},
        {2101, 2970, false}, {2097, 2970, false}, {2099, 2972, false}, {2099, 2968, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.length));
        usePapers({paper(DMPAPER_USER, L"Probe", c.width, c.length)});
        job.choosePaper(595, 842);
        EXPECT_EQ(resets().size(), c.hits ? 1u : 0u);
        EXPECT_EQ(settings().dmPaperWidth, c.hits ? c.width : 2100);
        // The same tolerance applies to a turned fit.
        usePapers({paper(DMPAPER_USER, L"Probe", c.width, c.length)});
        job.choosePaper(842, 595);
        EXPECT_EQ(resets().size(), c.hits ? 1u : 0u);
        if (c.hits) {
            EXPECT_EQ(job.rotation, 3);
        }
    }
}

TEST_F(PaperMatchingTest, FirstPaperThatFitsEitherWayWins) {
    usePapers({paper(DMPAPER_USER, L"A4 sideways", 2970, 2100),
               paper(DMPAPER_A4, L"A4", 2100, 2970)});
    job.choosePaper(595, 842);
    EXPECT_EQ(job.rotation, 3);
    EXPECT_EQ(settings().dmPaperSize, DMPAPER_USER);
    EXPECT_EQ(settings().dmPaperWidth, 2970);
    EXPECT_EQ(settings().dmPaperLength, 2100);
    EXPECT_TRUE(printLines.logger.contains("Found paper Size A4 sideways - needs rotation"));

    // A square page on a square paper is upright.
    usePapers({paper(DMPAPER_USER, L"Square", 2100, 2100)});
    job.choosePaper(595.3, 595.3);
    EXPECT_EQ(job.rotation, 0);
    EXPECT_TRUE(printLines.logger.contains("Found paper Size Square - no rotation"));
}

TEST_F(PaperMatchingTest, SamePaperAgainStillSwitchesAndResets) {
    job.choosePaper(595, 842);
    job.choosePaper(595, 842);
    EXPECT_EQ(resets().size(), 2u);
}

TEST_F(PaperMatchingTest, LongPaperNameIsCutToThirtyTwoUnitsInTheSettings) {
    const std::wstring forty = L"Architectural D with a forty unit name!!";
    ASSERT_EQ(forty.size(), 40u);
    usePapers({paper(DMPAPER_USER, forty, 2100, 2970)});
    job.choosePaper(595, 842);
    EXPECT_EQ(std::wstring(settings().dmFormName, CCHFORMNAME), forty.substr(0, 32));
    EXPECT_EQ(resets(), std::vector<std::string>{
                            "ResetDCW paper=256 width=2100 length=2970 orientation=1 "
                            "form=Architectural D with a forty uni"});
    // The log names the paper in full.
    EXPECT_TRUE(printLines.logger.contains(
        "Found paper Size Architectural D with a forty unit name!! - no rotation"));
}

TEST_F(PaperMatchingTest, NoFittingPaperKeepsPaperAndSettingsAndTurnsOnlyAPageLyingTheOtherWay) {
    const DEVMODEW before = settings();
    job.choosePaper(300, 300);
    EXPECT_EQ(std::memcmp(&settings(), &before, sizeof before), 0);
    EXPECT_TRUE(resets().empty());
    EXPECT_DOUBLE_EQ(job.paperWidth, kA4WidthPoints);
    EXPECT_DOUBLE_EQ(job.paperHeight, kA4HeightPoints);
    EXPECT_FALSE(job.paperFound);
    EXPECT_EQ(job.rotation, 0);   // a square page is never turned
    EXPECT_EQ(printLines.logger.texts().back(), "Unable to find new paper Size!");

    // A landscape page of no listed size is turned onto the portrait paper;
    // a portrait page of any shape is not.
    job.choosePaper(1000, 700);
    EXPECT_EQ(job.rotation, 3);
    job.choosePaper(609.7, 789);
    EXPECT_EQ(job.rotation, 0);
    job.choosePaper(100, 700);
    EXPECT_EQ(job.rotation, 0);
}

// Stretched over the paper (-scale), a page no paper fits turns by its
// shape, as it always has.
TEST_F(PaperMatchingTest, PageOfThePapersShapeStaysUprightWhenNoPaperMatches) {
    job.scaling = Scaling::Stretch;
    usePapers({});
    // 2100 x 2970 tenths, A4's shape on the A4 default paper: the ratios are
    // 7070 for both, so the page is drawn upright and unstretched.
    job.choosePaper(595.28, 842);
    EXPECT_EQ(job.rotation, 0);
    EXPECT_TRUE(printLines.logger.contains("Unable to find new paper Size!"));

    // Shapes count as the same while the ratios are less than 10 apart.
    job.paperWidth = 0.70795 * kA4HeightPoints;   // ratio 7079
    job.choosePaper(595.28, 842);                 // ratio 7070
    EXPECT_EQ(job.rotation, 0);
    job.paperWidth = 0.70805 * kA4HeightPoints;   // ratio 7080
    job.choosePaper(595.28, 842);
    EXPECT_EQ(job.rotation, 3);
}

TEST_F(PaperMatchingTest, DegenerateSizesNeitherDivideByZeroNorOverflow) {
    job.scaling = Scaling::Stretch;
    usePapers({});
    // A page less than a tenth of a millimetre high has no shape to turn.
    job.rotation = 3;
    job.choosePaper(595, 0.01);
    EXPECT_EQ(job.rotation, 0);

    // A paper without length (defaults that name no paper) compares with
    // nothing: the page is turned.
    job.paperHeight = 0.0;
    job.choosePaper(595, 842);
    EXPECT_EQ(job.rotation, 3);

    // Sizes beyond any int and NaN are taken without undefined conversions.
    job.paperHeight = kA4HeightPoints;
    const double huge = 1e300;
    job.choosePaper(huge, huge);
    EXPECT_EQ(job.rotation, 3);
    job.choosePaper(std::numeric_limits<double>::quiet_NaN(), 842);
    EXPECT_EQ(job.rotation, 3);
    job.choosePaper(-huge, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(job.rotation == 0 || job.rotation == 3);
    EXPECT_TRUE(resets().empty());
}

}  // namespace
