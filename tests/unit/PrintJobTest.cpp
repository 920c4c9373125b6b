// The print job end to end against a recording printer and a scripted PDF
// engine: the exact calls and their arguments, the log lines, and what is
// released and cancelled when a run fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
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

const ScriptedPage kA4Page{595, 842, true};
const ScriptedPage kA4Turned{842, 595, true};
const ScriptedPage kLetterPage{612, 792, true};
const ScriptedPage kA5Turned{595, 420, true};
const ScriptedPage kOddPage{300, 300, true};
const ScriptedPage kBrokenPage{595, 842, false};

class PrintJobTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingPrinter printer{events};
    ScriptedPdfEngine engine{events};
    WriterCapture printLines{pdfPrintLog};
    WriterCapture printerLines{printerLog};

    PrintJobTest() { setMargins(500, 500); }

    void setMargins(int32_t left, int32_t top) {
        for (posix::Paper& paper : printer.setup().papers) {
            paper.marginLeft = paper.marginRight = left;
            paper.marginTop = paper.marginBottom = top;
        }
    }
    void setDpi(int x, int y) {
        printer.setup().defaults.dpiX = x;
        printer.setup().defaults.dpiY = y;
    }
    void script(std::vector<ScriptedPage> pages) {
        engine.script("doc.pdf", ScriptedDocument{std::move(pages), kPdfLoaded});
    }
    void print(bool scale, const std::string& printerName = "rec:printer",
               const char* title = "Quarterly report") {
        PrintJob job(printerName.c_str());
        job.print("doc.pdf", title, scale);
        EXPECT_EQ(job.document, nullptr);
        EXPECT_EQ(printer.liveDrivers(), 1) << "the printer stays open until the job goes";
    }
    // What an exception leaving print() says; fails the test when none does.
    std::string failingPrint(bool scale = false, const std::string& printerName = "rec:printer") {
        PrintJob job(printerName.c_str());
        try {
            job.print("doc.pdf", "Quarterly report", scale);
        } catch (const plat::Exception& failure) {
            EXPECT_EQ(job.document, nullptr);
            return failure.message;
        }
        ADD_FAILURE() << "print() did not fail";
        return "";
    }
    void expectAllReleased() {
        EXPECT_EQ(engine.libraryUsers(), 0);
        EXPECT_EQ(engine.openDocuments(), 0);
        EXPECT_EQ(engine.openPages(), 0);
        EXPECT_EQ(printer.liveContexts(), 0);
        EXPECT_EQ(printer.liveDrivers(), 0);
    }
    // Each page rendered: its size in device units and its turn.
    Events renderedSizes() const {
        Events sizes;
        for (const testsupport::RenderCall& render : engine.renders)
            sizes.push_back(std::to_string(render.sizeX) + "x" + std::to_string(render.sizeY) + " turn " +
                            std::to_string(render.rotate));
        return sizes;
    }
    std::vector<std::string> textsFrom(const WriterCapture& capture, const std::string& prefix) {
        std::vector<std::string> found;
        for (const std::string& text : capture.logger.texts()) {
            if (text.rfind(prefix, 0) == 0) found.push_back(text);
        }
        return found;
    }
};

Events unscaledA4PageEvents(int index) {
    const std::string page = std::to_string(index);
    return {"loadPage " + page,
            "pageHeight " + page + "=842",
            "pageWidth " + page + "=595",
            "reset paper=9 width=2100 length=2970 orientation=portrait form=A4",
            "startPage",
            "measure marginTop=118",
            "measure marginLeft=118",
            "measure dpiAcross=600",
            "measure dpiDown=600",
            "renderPage " + page + " start=(-118,-118) size=(4960,7015) rotate=0",
            "endPage",
            "closePage " + page,
            "pageCount 2"};
}

TEST_F(PrintJobTest, PrintsEachPageInTheExactOrderOfCalls) {
    printer.setup().defaults.orientation = posix::Orientation::Landscape;   // turned to portrait
    script({kA4Page, kA4Page});
    print(false);

    Events expected = {"initLibrary", "loadDocument doc.pdf",
                       "createContext paper=9 width=2100 length=2970 orientation=portrait form=A4",
                       "startDoc Quarterly report", "pageCount 2"};
    for (int page : {0, 1}) {
        const Events block = unscaledA4PageEvents(page);
        expected.insert(expected.end(), block.begin(), block.end());
    }
    expected.insert(expected.end(),
                    {"endDoc", "deleteContext", "closeDocument", "destroyLibrary"});
    EXPECT_EQ(events.events, expected);
    expectAllReleased();
}

TEST_F(PrintJobTest, LogsEachPageThroughThePrintWriter) {
    script({kA4Page});
    print(false);
    EXPECT_EQ(printLines.logger.texts(),
              (Events{"Printing Page 0", "Setting PaperSize printer (595.275591,841.889764)pts",
                      "PaperSize page            (595.000000,842.000000)pts",
                      "Found paper Size A4 - no rotation", "DPI (600, 600)",
                      "Offset (-118, -118)", "Size (4960, 7015)"}));
    for (const auto& line : printLines.logger.lines) {
        EXPECT_EQ(line.level, plat::LevelInfo) << line.text;
        EXPECT_EQ(line.writer, "PDFPrintFns");
    }
}

TEST_F(PrintJobTest, UnscaledPageCoversThePaperFromTheSheetsCornerAtEachAxisResolution) {
    setMargins(1000, 500);
    setDpi(600, 300);
    script({kA4Page});
    print(false);
    ASSERT_EQ(engine.renders.size(), 1u);
    const testsupport::RenderCall& render = engine.renders[0];
    EXPECT_EQ(render.startX, -236);   // 10 mm at 600 dpi
    EXPECT_EQ(render.startY, -59);    // 5 mm at 300 dpi
    EXPECT_EQ(render.sizeX, 4960);
    EXPECT_EQ(render.sizeY, 3507);
    EXPECT_EQ(render.rotate, 0);
    // Vertical resolution first.
    EXPECT_EQ(textsFrom(printLines, "DPI"), Events{"DPI (300, 600)"});
    EXPECT_EQ(textsFrom(printLines, "Offset"), Events{"Offset (-236, -59)"});
}

TEST_F(PrintJobTest, TurnedPageIsRotatedWithItsStartPointExchanged) {
    setMargins(1000, 500);
    script({kA4Turned});
    print(false);
    ASSERT_EQ(engine.renders.size(), 1u);
    const testsupport::RenderCall& render = engine.renders[0];
    EXPECT_EQ(render.rotate, 3);
    EXPECT_EQ(render.startX, -118);   // the top offset
    EXPECT_EQ(render.startY, -236);   // the left offset
    EXPECT_EQ(render.sizeX, 4960);    // sizes not exchanged
    EXPECT_EQ(render.sizeY, 7015);
    EXPECT_EQ(textsFrom(printLines, "Offset"), Events{"Offset (-236, -118)"});
    EXPECT_EQ(events.startingWith("reset"),
              Events{"reset paper=9 width=2100 length=2970 orientation=portrait form=A4"});
}

TEST_F(PrintJobTest, ScaledPageFillsThePrintableAreaWithoutReadingTheResolution) {
    script({kA4Page, kA4Turned});
    print(true);
    ASSERT_EQ(engine.renders.size(), 2u);
    for (const testsupport::RenderCall& render : engine.renders) {
        EXPECT_EQ(render.startX, 0);
        EXPECT_EQ(render.startY, 0);
        EXPECT_EQ(render.sizeX, 4724);   // 200 mm at 600 dpi
        EXPECT_EQ(render.sizeY, 6779);   // 287 mm
    }
    EXPECT_EQ(engine.renders[1].rotate, 3);
    EXPECT_EQ(events.count("measure dpi"), 0u);
    EXPECT_EQ(events.count("measure margin"), 4u);
    EXPECT_TRUE(textsFrom(printLines, "DPI").empty());
    EXPECT_EQ(textsFrom(printLines, "Offset"), (Events{"Offset (0, 0)", "Offset (0, 0)"}));
    EXPECT_EQ(textsFrom(printLines, "Size ("), (Events{"Size (4724, 6779)", "Size (4724, 6779)"}));
}

TEST_F(PrintJobTest, EveryPageGetsItsOwnPaperAndUnlistedSizesKeepThePaperBefore) {
    setMargins(0, 0);
    script({kA4Page, kLetterPage, kA5Turned, kOddPage});
    print(false);
    EXPECT_EQ(events.startingWith("reset"),
              (Events{"reset paper=9 width=2100 length=2970 orientation=portrait form=A4",
                      "reset paper=1 width=2159 length=2794 orientation=portrait form=Letter",
                      "reset paper=11 width=1480 length=2100 orientation=portrait form=A5"}));
    // Each reset comes before its page is started.
    const auto& all = events.events;
    const auto letterReset = std::find(all.begin(), all.end(),
                                       "reset paper=1 width=2159 length=2794 orientation=portrait "
                                       "form=Letter");
    const auto letterLoad = std::find(all.begin(), all.end(), "loadPage 1");
    ASSERT_NE(letterReset, all.end());
    EXPECT_LT(std::distance(all.begin(), letterLoad), std::distance(all.begin(), letterReset));
    EXPECT_EQ(*std::next(letterReset), "startPage");

    // The unlisted square page stays on A5, upright and at its true size
    // (300 points, 2500 pixels), centred on the paper.
    EXPECT_EQ(renderedSizes(), (Events{"4960x7015 turn 0", "5100x6600 turn 0", "3496x4960 turn 3",
                                       "2500x2500 turn 0"}));
    EXPECT_EQ(engine.renders[3].startX, (3496 - 2500) / 2);
    EXPECT_EQ(engine.renders[3].startY, (4960 - 2500) / 2);
    EXPECT_EQ(textsFrom(printLines, "Unable to find"), Events{"Unable to find new paper Size!"});
    EXPECT_EQ(textsFrom(printLines, "Offset").back(), "Offset (498, 1230)");
}

TEST_F(PrintJobTest, UnloadablePageIsSkippedAndLoggedAsAnError) {
    script({kA4Page, kBrokenPage, kA4Page});
    print(false);
    EXPECT_EQ(events.count("startPage"), 2u);
    EXPECT_EQ(events.count("endPage"), 2u);
    ASSERT_EQ(engine.renders.size(), 2u);
    EXPECT_EQ(engine.renders[0].page, 0);
    EXPECT_EQ(engine.renders[1].page, 2);

    const auto& lines = printLines.logger.lines;
    const auto skipped = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
        return line.text == "Unable to load PDF page 1";
    });
    ASSERT_NE(skipped, lines.end());
    EXPECT_EQ(skipped->level, plat::LevelError);
    EXPECT_EQ(textsFrom(printLines, "Printing Page"), (Events{"Printing Page 0", "Printing Page 2"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, DocumentWithoutPagesIsStartedAndEndedEmpty) {
    script({});
    print(false);
    EXPECT_EQ(events.events,
              (Events{"initLibrary", "loadDocument doc.pdf",
                      "createContext paper=9 width=2100 length=2970 orientation=portrait form=A4",
                      "startDoc Quarterly report", "pageCount 0", "endDoc", "deleteContext",
                      "closeDocument", "destroyLibrary"}));
}

TEST_F(PrintJobTest, PrinterWithoutPapersPrintsOnTheSheetTheDeviceContextGives) {
    printer.setup().papers.clear();
    printer.setup().defaults.paperIndex = -1;
    script({kA4Page, kA4Turned});
    print(false);
    EXPECT_TRUE(events.startingWith("reset").empty());
    EXPECT_EQ(textsFrom(printLines, "Unable to find"),
              (Events{"Unable to find new paper Size!", "Unable to find new paper Size!"}));
    // The device context's A4 sheet (4960 x 7015 pixels) is the paper: pages
    // print, not as 0 x 0; the 842-point page is a hair too long for it and
    // shrinks evenly to fit.
    EXPECT_EQ(textsFrom(printLines, "Setting PaperSize printer").front(),
              "Setting PaperSize printer (595.200000,841.800000)pts");
    // The landscape page turns onto the portrait sheet.
    EXPECT_EQ(renderedSizes(), (Events{"4957x7015 turn 0", "4957x7015 turn 3"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, TitleReachesTheSpoolerAsTheSameText) {
    script({});
    print(false, "rec:printer", "Rechnung März – 5 €");
    EXPECT_EQ(events.startingWith("startDoc"), Events{"startDoc Rechnung März – 5 €"});
}

TEST_F(PrintJobTest, UnloadableDocumentFailsBeforeThePrinterIsTouched) {
    engine.script("doc.pdf", ScriptedDocument{{kA4Page}, kPdfFormatError});
    EXPECT_EQ(failingPrint(), "Unable to load PDF document: 3");
    EXPECT_EQ(events.events, (Events{"initLibrary", "loadDocument doc.pdf failed",
                                     "destroyLibrary"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, DocumentThatForbidsPrintingIsRefusedBeforeThePrinterIsTouched) {
    // Encrypted with every right but printing (bits 3 and 12 clear).
    engine.script("doc.pdf", ScriptedDocument{{kA4Page}, kPdfLoaded, 0xFFFFF7F8});
    EXPECT_EQ(failingPrint(), "the document does not allow printing");
    EXPECT_EQ(events.events, (Events{"initLibrary", "loadDocument doc.pdf",
                                     "closeDocument", "destroyLibrary"}));
    expectAllReleased();

    // Printing in low quality only (bit 12 clear) is printing all the same.
    events.events.clear();
    engine.script("doc.pdf", ScriptedDocument{{kA4Page}, kPdfLoaded, 0xFFFFF7FC});
    print(false);
    EXPECT_EQ(events.count("endPage"), 1u);
}

TEST_F(PrintJobTest, UnknownPrinterFailsWithItsNameAndPrintsNothing) {
    script({kA4Page});
    const std::string message = failingPrint(false, printer.missingName());
    EXPECT_EQ(message.rfind("Unable to open Printer rec:missing: ", 0), 0u) << message;
    EXPECT_EQ(events.events, (Events{"initLibrary", "loadDocument doc.pdf",
                                     "closeDocument", "destroyLibrary"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, DeviceContextThatCannotBeCreatedFailsWithTheSystemError) {
    printer.setup().createDeviceContextError = 13;
    script({kA4Page});
    EXPECT_EQ(failingPrint(), plat::SystemException("CreateDC", 13).message);
    EXPECT_EQ(events.count("startDoc"), 0u);
    EXPECT_EQ(events.events.back(), "destroyLibrary");
    expectAllReleased();
}

TEST_F(PrintJobTest, FailureMidJobCancelsTheSpoolerDocumentAndReleasesEverything) {
    script({kA4Page, kA4Page, kA4Page});
    engine.failRenderingOfPage = 1;
    EXPECT_EQ(failingPrint(), "Scripted rendering failure");

    const Events& all = events.events;
    ASSERT_GE(all.size(), 6u);
    EXPECT_EQ(Events(all.end() - 6, all.end()),
              (Events{"renderPage 1 start=(-118,-118) size=(4960,7015) rotate=0",
                      "closePage 1", "abortDoc", "deleteContext", "closeDocument",
                      "destroyLibrary"}));
    EXPECT_EQ(events.count("endDoc"), 0u);
    EXPECT_EQ(events.count("loadPage 2"), 0u);
    expectAllReleased();
}

TEST_F(PrintJobTest, ASpoolerThatFailsAfterOnlySkippedPagesStillFailsTheRun) {
    script({kBrokenPage, kA4Page, kA4Page});
    printer.setup().endPageError = ENOSPC;
    EXPECT_EQ(failingPrint(), plat::SystemException("EndPage", ENOSPC).message);
    EXPECT_EQ(events.count("loadPage 2"), 0u) << "no page drawn after the failure";
    expectAllReleased();
}

}  // namespace
