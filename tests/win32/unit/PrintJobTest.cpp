// The print job end to end on the Windows backend, against a recording
// spooler and a recording PDF engine: the exact spooler, GDI and engine
// calls and their arguments, the log lines, and what is released and
// cancelled when a run fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "plat/Exception.h"
#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "unit/support/LogRecording.h"
#include "win32/printing/SpoolerPrinter.h"
#include "win32/unit/support/RecordingEngine.h"
#include "win32/unit/support/RecordingSpooler.h"

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
    RecordingSpooler printer{events};
    RecordingEngine engine{events};
    WriterCapture printLines{pdfPrintLog};
    WriterCapture printerLines{printerLog};

    PrintJobTest() { setMargins(500, 500); }

    void setMargins(int32_t left, int32_t top) {
        for (SpoolerPaper& paper : printer.setup().papers) {
            paper.marginLeft = paper.marginRight = left;
            paper.marginTop = paper.marginBottom = top;
        }
    }
    void setDpi(int x, int y) {
        printer.setup().defaults.dpiX = x;
        printer.setup().defaults.dpiY = y;
    }
    void script(std::vector<ScriptedPage> pages) {
        engine.script("doc.pdf", ScriptedDocument{std::move(pages), FPDF_ERR_SUCCESS});
    }
    void print(bool scale, const std::string& printerName = "rec:printer",
               const char* title = "Quarterly report") {
        PrintJob job(printerName.c_str());
        job.print("doc.pdf", title, scale);
        EXPECT_EQ(job.document, nullptr);
        EXPECT_EQ(printer.liveHandles(), 1) << "the printer stays open until the job goes";
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
        EXPECT_EQ(printer.liveHandles(), 0);
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

// The printer opened by name for use, its papers counted and listed with
// its default settings, its record sized and fetched.
const Events kOpenedPrinter = {"OpenPrinterW rec:printer access=8",
                               "DeviceCapabilitiesW rec:printer DC_PAPERS",
                               "DeviceCapabilitiesW rec:printer DC_PAPERS output",
                               "DeviceCapabilitiesW rec:printer DC_PAPERNAMES output",
                               "DeviceCapabilitiesW rec:printer DC_PAPERSIZE output",
                               "GetPrinterW level=2 sizing",
                               "GetPrinterW level=2 filled"};

// first, then each of rest, in order.
Events joined(Events first, std::initializer_list<Events> rest) {
    for (const Events& part : rest) first.insert(first.end(), part.begin(), part.end());
    return first;
}

Events unscaledA4PageEvents(int index) {
    const std::string page = std::to_string(index);
    return {"FPDF_LoadPage " + page,
            "FPDF_GetPageHeight " + page + "=842",
            "FPDF_GetPageWidth " + page + "=595",
            "ResetDCW paper=9 width=2100 length=2970 orientation=1 form=A4",
            "StartPage",
            "GetDeviceCaps PHYSICALOFFSETY=118",
            "GetDeviceCaps PHYSICALOFFSETX=118",
            "GetDeviceCaps LOGPIXELSX=600",
            "GetDeviceCaps LOGPIXELSY=600",
            "FPDF_RenderPage " + page + " start=(-118,-118) size=(4960,7015) rotate=0 flags=2049",
            "EndPage",
            "FPDF_ClosePage " + page,
            "FPDF_GetPageCount 2"};
}

TEST_F(PrintJobTest, PrintsEachPageInTheExactOrderOfCalls) {
    printer.setup().defaults.orientation = DMORIENT_LANDSCAPE;   // turned to portrait
    script({kA4Page, kA4Page});
    print(false);

    // The device context is made from the printer's own record, turned to
    // portrait; the printer is closed when the job goes.
    const Events expected =
        joined({"FPDF_InitLibrary", "FPDF_LoadDocument doc.pdf"},
               {kOpenedPrinter,
                {"CreateDCW paper=9 width=2100 length=2970 orientation=1 form=A4", "StartDocW Quarterly report",
                 "FPDF_GetPageCount 2"},
                unscaledA4PageEvents(0),
                unscaledA4PageEvents(1),
                {"EndDoc", "DeleteDC", "FPDF_CloseDocument", "FPDF_DestroyLibrary", "ClosePrinter rec:printer"}});
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
    EXPECT_EQ(render.flags, FPDF_ANNOT | FPDF_PRINTING);   // annotations, as printed
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
    EXPECT_EQ(events.startingWith("ResetDCW"),
              Events{"ResetDCW paper=9 width=2100 length=2970 orientation=1 form=A4"});
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
    EXPECT_EQ(events.count("GetDeviceCaps LOGPIXELS"), 0u);
    EXPECT_EQ(events.count("GetDeviceCaps PHYSICALOFFSET"), 4u);
    EXPECT_TRUE(textsFrom(printLines, "DPI").empty());
    EXPECT_EQ(textsFrom(printLines, "Offset"), (Events{"Offset (0, 0)", "Offset (0, 0)"}));
    EXPECT_EQ(textsFrom(printLines, "Size ("), (Events{"Size (4724, 6779)", "Size (4724, 6779)"}));
}

TEST_F(PrintJobTest, EveryPageGetsItsOwnPaperAndUnlistedSizesKeepThePaperBefore) {
    setMargins(0, 0);
    script({kA4Page, kLetterPage, kA5Turned, kOddPage});
    print(false);
    EXPECT_EQ(events.startingWith("ResetDCW"),
              (Events{"ResetDCW paper=9 width=2100 length=2970 orientation=1 form=A4",
                      "ResetDCW paper=1 width=2159 length=2794 orientation=1 form=Letter",
                      "ResetDCW paper=11 width=1480 length=2100 orientation=1 form=A5"}));
    // Each reset comes before its page is started.
    const auto& all = events.events;
    const auto letterReset = std::find(all.begin(), all.end(),
                                       "ResetDCW paper=1 width=2159 length=2794 orientation=1 "
                                       "form=Letter");
    const auto letterLoad = std::find(all.begin(), all.end(), "FPDF_LoadPage 1");
    ASSERT_NE(letterReset, all.end());
    EXPECT_LT(std::distance(all.begin(), letterLoad), std::distance(all.begin(), letterReset));
    EXPECT_EQ(*std::next(letterReset), "StartPage");

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
    EXPECT_EQ(events.count("StartPage"), 2u);
    EXPECT_EQ(events.count("EndPage"), 2u);
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
              joined({"FPDF_InitLibrary", "FPDF_LoadDocument doc.pdf"},
                     {kOpenedPrinter,
                      {"CreateDCW paper=9 width=2100 length=2970 orientation=1 form=A4",
                       "StartDocW Quarterly report", "FPDF_GetPageCount 0", "EndDoc", "DeleteDC",
                       "FPDF_CloseDocument", "FPDF_DestroyLibrary", "ClosePrinter rec:printer"}}));
}

TEST_F(PrintJobTest, PrinterWithoutPapersPrintsOnTheSheetTheDeviceContextGives) {
    printer.setup().papers.clear();
    printer.setup().defaults.paperIndex = -1;
    script({kA4Page, kA4Turned});
    print(false);
    // Settings that name no paper; no list is asked for after a count of none.
    EXPECT_EQ(events.startingWith("CreateDCW"), Events{"CreateDCW paper=0 width=0 length=0 orientation=1 form="});
    EXPECT_EQ(events.startingWith("DeviceCapabilitiesW"), Events{"DeviceCapabilitiesW rec:printer DC_PAPERS"});
    EXPECT_TRUE(events.startingWith("ResetDCW").empty());
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
    EXPECT_EQ(events.startingWith("StartDocW"), Events{"StartDocW Rechnung März – 5 €"});
}

TEST_F(PrintJobTest, UnloadableDocumentFailsBeforeThePrinterIsTouched) {
    engine.script("doc.pdf", ScriptedDocument{{kA4Page}, FPDF_ERR_FORMAT});
    EXPECT_EQ(failingPrint(), "Unable to load PDF document: 3");
    EXPECT_EQ(events.events, (Events{"FPDF_InitLibrary", "FPDF_LoadDocument doc.pdf failed",
                                     "FPDF_DestroyLibrary"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, DocumentThatForbidsPrintingIsRefusedBeforeThePrinterIsTouched) {
    // Encrypted with every right but printing (bits 3 and 12 clear).
    engine.script("doc.pdf", ScriptedDocument{{kA4Page}, FPDF_ERR_SUCCESS, 0xFFFFF7F8});
    EXPECT_EQ(failingPrint(), "the document does not allow printing");
    EXPECT_EQ(events.events, (Events{"FPDF_InitLibrary", "FPDF_LoadDocument doc.pdf",
                                     "FPDF_CloseDocument", "FPDF_DestroyLibrary"}));
    EXPECT_EQ(events.count("OpenPrinterW"), 0u);
    expectAllReleased();

    // Printing in low quality only (bit 12 clear) is printing all the same.
    events.events.clear();
    engine.script("doc.pdf", ScriptedDocument{{kA4Page}, FPDF_ERR_SUCCESS, 0xFFFFF7FC});
    print(false);
    EXPECT_EQ(events.count("EndPage"), 1u);
}

TEST_F(PrintJobTest, UnknownPrinterFailsWithItsNameAndPrintsNothing) {
    script({kA4Page});
    const std::string message = failingPrint(false, printer.missingName());
    EXPECT_EQ(message.rfind("Unable to open Printer rec:missing: ", 0), 0u) << message;
    EXPECT_EQ(message, plat::SystemException("Unable to open Printer rec:missing",
                                             RecordingSpooler::unknownPrinterError())
                           .message);
    EXPECT_EQ(events.events, (Events{"FPDF_InitLibrary", "FPDF_LoadDocument doc.pdf",
                                     "OpenPrinterW rec:missing failed", "FPDF_CloseDocument",
                                     "FPDF_DestroyLibrary"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, ASpoolerPrinterWhoseRecordCannotBeFetchedFailsWithGetPrinterFailed) {
    printer.setup().recordGrowsBetweenQueries = true;
    {
        winprint::SpoolerPrinter spooler(printer.name().c_str());
        try {
            spooler.loadSettings();
            ADD_FAILURE() << "a record that cannot be fetched was taken";
        } catch (const plat::Exception& failure) {
            EXPECT_STREQ(failure.message, "GetPrinter failed");
        }
    }
    EXPECT_EQ(textsFrom(printerLines, "Unable to get PrinterInfo2: ").size(), 1u);
    EXPECT_EQ(events.events, (Events{"OpenPrinterW rec:printer access=8", "GetPrinterW level=2 sizing",
                                     "GetPrinterW level=2 too small", "ClosePrinter rec:printer"}));
    EXPECT_EQ(events.count("CreateDCW"), 0u);
    expectAllReleased();
}

TEST_F(PrintJobTest, DeviceContextThatCannotBeCreatedFailsWithTheSystemError) {
    printer.setup().createDeviceContextError = 13;
    script({kA4Page});
    EXPECT_EQ(failingPrint(), plat::SystemException("CreateDC", 13).message);
    EXPECT_EQ(events.count("StartDocW"), 0u);
    // Nothing to delete or cancel: the engine and the printer are released.
    const Events& all = events.events;
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(Events(all.end() - 4, all.end()),
              (Events{"CreateDCW failed", "FPDF_CloseDocument", "FPDF_DestroyLibrary", "ClosePrinter rec:printer"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, FailureMidJobCancelsTheSpoolerDocumentAndReleasesEverything) {
    script({kA4Page, kA4Page, kA4Page});
    engine.failRenderingOfPage = 1;
    EXPECT_EQ(failingPrint(), "Scripted rendering failure");

    const Events& all = events.events;
    ASSERT_GE(all.size(), 7u);
    EXPECT_EQ(Events(all.end() - 7, all.end()),
              (Events{"FPDF_RenderPage 1 start=(-118,-118) size=(4960,7015) rotate=0 flags=2049",
                      "FPDF_ClosePage 1", "AbortDoc", "DeleteDC", "FPDF_CloseDocument",
                      "FPDF_DestroyLibrary", "ClosePrinter rec:printer"}));
    EXPECT_EQ(events.count("EndDoc"), 0u);
    EXPECT_EQ(events.count("FPDF_LoadPage 2"), 0u);
    expectAllReleased();
}

TEST_F(PrintJobTest, ASpoolerThatFailsAfterOnlySkippedPagesStillFailsTheRun) {
    script({kBrokenPage, kA4Page, kA4Page});
    printer.setup().endPageError = ERROR_DISK_FULL;
    EXPECT_EQ(failingPrint(), plat::SystemException("EndPage", ERROR_DISK_FULL).message);
    // The document ends at the failed sheet: no page follows it.
    const Events& all = events.events;
    const auto failed = std::find(all.begin(), all.end(), "EndPage failed");
    ASSERT_NE(failed, all.end());
    EXPECT_EQ(Events(std::next(failed), all.end()),
              (Events{"FPDF_ClosePage 1", "EndDoc", "DeleteDC", "FPDF_CloseDocument", "FPDF_DestroyLibrary",
                      "ClosePrinter rec:printer"}));
    EXPECT_EQ(events.count("FPDF_LoadPage 2"), 0u) << "no page drawn after the failure";
    expectAllReleased();
}

TEST_F(PrintJobTest, PrinterRecordWithoutSettingsIsRefusedClearly) {
    PRINTER_INFO_2W info;
    std::memset(&info, 0, sizeof info);
    try {
        winprint::defaultSettingsOf(info, "rec:printer");
        FAIL() << "a record without settings was taken";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message, "Printer rec:printer has no default settings");
    }
    DEVMODEW settings;
    info.pDevMode = &settings;
    EXPECT_EQ(winprint::defaultSettingsOf(info, "rec:printer"), &settings);
}

}  // namespace
