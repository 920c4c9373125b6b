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

#include "common/PrintJobFixture.h"
#include "plat/Exception.h"
#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "unit/support/RecordingPrinter.h"
#include "unit/support/ScriptedPdfEngine.h"

namespace {

using namespace testsupport;
using Events = std::vector<std::string>;

class PrintJobTest : public PrintJobFixture<RecordingPrinter, ScriptedPdfEngine> {
protected:
    PrintJobTest() : PrintJobFixture(testsupport::kRecordingPrinterCalls) {}
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

#include "common/PrintJobPageCases.inc"

TEST_F(PrintJobTest, DocumentWithoutPagesIsStartedAndEndedEmpty) {
    script({});
    print(false);
    EXPECT_EQ(events.events,
              (Events{"initLibrary", "loadDocument doc.pdf",
                      "createContext paper=9 width=2100 length=2970 orientation=portrait form=A4",
                      "startDoc Quarterly report", "pageCount 0", "endDoc", "deleteContext",
                      "closeDocument", "destroyLibrary"}));
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

    EXPECT_EQ(lastEvents(6),
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
