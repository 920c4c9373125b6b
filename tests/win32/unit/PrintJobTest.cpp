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

#include "common/PrintJobFixture.h"
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

class PrintJobTest : public PrintJobFixture<RecordingSpooler, RecordingEngine> {
protected:
    PrintJobTest() : PrintJobFixture(testsupport::kRecordingSpoolerCalls) {}
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

#include "common/PrintJobPageCases.inc"

TEST_F(PrintJobTest, ATitleBeyondAsciiReachesStartDocWWhole) {
    // Cyrillic, CJK and an emoji (a surrogate pair): the job's name at the
    // spooler is the title as given, nothing of it lost or cut.
    script({kA4Page});
    print(false, "rec:printer", "Счёт 請求書 \xF0\x9F\xA7\xBE");
    EXPECT_EQ(std::count(events.events.begin(), events.events.end(), "StartDocW Счёт 請求書 \xF0\x9F\xA7\xBE"), 1);
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

TEST_F(PrintJobTest, SettingsThatNameNoPaperAskForNoPaperListAfterACountOfNone) {
    printer.setup().papers.clear();
    printer.setup().defaults.paperIndex = -1;
    script({kA4Page, kA4Turned});
    print(false);
    EXPECT_EQ(events.startingWith("CreateDCW"), Events{"CreateDCW paper=0 width=0 length=0 orientation=1 form="});
    EXPECT_EQ(events.startingWith("DeviceCapabilitiesW"), Events{"DeviceCapabilitiesW rec:printer DC_PAPERS"});
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
    EXPECT_EQ(lastEvents(4),
              (Events{"CreateDCW failed", "FPDF_CloseDocument", "FPDF_DestroyLibrary", "ClosePrinter rec:printer"}));
    expectAllReleased();
}

TEST_F(PrintJobTest, FailureMidJobCancelsTheSpoolerDocumentAndReleasesEverything) {
    script({kA4Page, kA4Page, kA4Page});
    engine.failRenderingOfPage = 1;
    EXPECT_EQ(failingPrint(), "Scripted rendering failure");

    EXPECT_EQ(lastEvents(7),
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

TEST_F(PrintJobTest, APageSmallerThanAPixelIsSkippedWithItsReasonAndNotCountedPrinted) {
    script({kA4Page, {0.05, 842, true}, kA4Page});
    {
        PrintJob job("rec:printer");
        job.print("doc.pdf", "Quarterly report", false);
        EXPECT_EQ(job.results.printedPages, 2);
        EXPECT_EQ(job.results.skippedPages, 1) << "so that ExitCode=result ends with 3";
    }
    // Its sheet was begun before the page was measured, and GDI takes back
    // no sheet: it ends blank, with nothing drawn on it.
    EXPECT_EQ(events.count("StartPage"), 3u);
    EXPECT_EQ(events.count("EndPage"), 3u);
    ASSERT_EQ(engine.renders.size(), 2u);
    EXPECT_EQ(engine.renders[1].page, 2);
    EXPECT_EQ(textsFrom(printLines, "Page 1 could not"),
              Events{"Page 1 could not be printed: it is smaller than a pixel at the printer's resolution"});
    EXPECT_EQ(events.count("EndDoc"), 1u);
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
