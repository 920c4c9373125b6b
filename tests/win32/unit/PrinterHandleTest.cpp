// The spooler printer handle: opening by name, the failure text, closing and
// the printer's record, as the spooler calls show them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "print/PrintLogs.h"
#include "unit/support/LogRecording.h"
#include "win32/printing/PrinterHandle.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace {

using testsupport::EventLog;
using testsupport::RecordingSpooler;
using testsupport::WriterCapture;
using Events = std::vector<std::string>;

PRINTER_DEFAULTSW useDefaults() { return {nullptr, nullptr, PRINTER_ACCESS_USE}; }

std::wstring wide(const std::string& text) { return plat::WideChars(text.c_str()).get(); }

class PrinterHandleTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingSpooler printer{events};
    WriterCapture printerLines{printerLog};
    PRINTER_DEFAULTSW defaults = useDefaults();
};

TEST_F(PrinterHandleTest, OpensByUtf8NameAndKeepsItAsUtf16) {
    const std::string name = printer.name() + " Büro 2";
    PrinterHandle handle;
    handle.open(name.c_str(), &defaults);
    EXPECT_NE(handle.handle, INVALID_HANDLE_VALUE);
    ASSERT_NE(handle.name(), nullptr);
    EXPECT_EQ(std::wstring(handle.name()), L"rec:printer B\u00fcro 2");
    EXPECT_EQ(printer.openPrinters(), 1);
    // The spooler gets the name in UTF-16 and the defaults as given.
    EXPECT_EQ(events.events, Events{"OpenPrinterW rec:printer Büro 2 access=8"});
}

TEST_F(PrinterHandleTest, CloseReleasesThePrinterAndLeavesAnEmptyName) {
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    ASSERT_NE(handle.getPrinterInfo2(), nullptr);
    handle.close();
    EXPECT_EQ(printer.openPrinters(), 0);
    EXPECT_EQ(handle.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(handle.printerInfo.get(), nullptr);
    ASSERT_NE(handle.name(), nullptr);
    EXPECT_EQ(handle.name()[0], L'\0');
    handle.close();
    EXPECT_EQ(printer.openPrinters(), 0);
    EXPECT_EQ(handle.handle, INVALID_HANDLE_VALUE);
    // Closed once: a second close calls nothing.
    EXPECT_EQ(events.count("ClosePrinter"), 1u);
    EXPECT_EQ(events.events.back(), "ClosePrinter rec:printer");
}

TEST_F(PrinterHandleTest, DestructionAndReopeningCloseTheEarlierPrinter) {
    {
        PrinterHandle handle;
        handle.open(printer.name().c_str(), &defaults);
        handle.open((printer.name() + "2").c_str(), &defaults);
        EXPECT_EQ(printer.openPrinters(), 1);
        EXPECT_EQ(std::wstring(handle.name()), L"rec:printer2");
        // Reopening by the name the handle itself holds.
        handle.open(handle.name(), &defaults);
        EXPECT_EQ(printer.openPrinters(), 1);
        EXPECT_EQ(std::wstring(handle.name()), L"rec:printer2");
    }
    EXPECT_EQ(printer.openPrinters(), 0);
    EXPECT_EQ(events.events, (Events{"OpenPrinterW rec:printer access=8", "ClosePrinter rec:printer",
                                     "OpenPrinterW rec:printer2 access=8", "ClosePrinter rec:printer2",
                                     "OpenPrinterW rec:printer2 access=8", "ClosePrinter rec:printer2"}));
}

TEST_F(PrinterHandleTest, UnknownPrinterThrowsItsNameWithTheSystemError) {
    const std::string name = printer.missingName() + "-Ärger";
    PrinterHandle handle;
    try {
        handle.open(name.c_str(), &defaults);
        FAIL() << "opened an unknown printer";
    } catch (const plat::SystemException& failure) {
        const std::string text = failure.message;
        const std::string expected =
            plat::SystemException(("Unable to open Printer " + name).c_str(), RecordingSpooler::unknownPrinterError())
                .message;
        EXPECT_EQ(text, expected);
        const std::string start = "Unable to open Printer rec:missing-Ärger: ";
        EXPECT_EQ(text.rfind(start, 0), 0u) << text;
        // The system's reason follows the name.
        EXPECT_GT(text.size(), start.size()) << text;
        EXPECT_EQ(failure.errorCode, RecordingSpooler::unknownPrinterError());
    }
    EXPECT_EQ(handle.handle, INVALID_HANDLE_VALUE);
    ASSERT_NE(handle.name(), nullptr);
    EXPECT_EQ(std::wstring(handle.name()), wide(name));
    EXPECT_EQ(printer.openPrinters(), 0);
    // Nothing to close after a failed open.
    EXPECT_EQ(events.events, Events{"OpenPrinterW rec:missing-Ärger failed"});
}

TEST_F(PrinterHandleTest, PrinterInfoCarriesTheNameAndDefaultSettings) {
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    PRINTER_INFO_2W* info = handle.getPrinterInfo2();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::wstring(info->pPrinterName), L"rec:printer");
    ASSERT_NE(info->pDevMode, nullptr);
    EXPECT_EQ(info->pDevMode->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(info->pDevMode->dmPaperWidth, 2100);
    EXPECT_EQ(info->pDevMode->dmPaperLength, 2970);
    EXPECT_TRUE(printerLines.logger.lines.empty());
    // Level 2, asked for its size first, then fetched into that much room.
    EXPECT_EQ(events.events, (Events{"OpenPrinterW rec:printer access=8", "GetPrinterW level=2 sizing",
                                     "GetPrinterW level=2 filled"}));
}

TEST_F(PrinterHandleTest, AskingAgainGivesAFreshRecord) {
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    PRINTER_INFO_2W* first = handle.getPrinterInfo2();
    ASSERT_NE(first, nullptr);
    first->pDevMode->dmPaperWidth = 1;   // an edit of the first copy
    PRINTER_INFO_2W* second = handle.getPrinterInfo2();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->pDevMode->dmPaperWidth, 2100);
    EXPECT_EQ(std::wstring(second->pPrinterName), L"rec:printer");
    EXPECT_EQ(events.count("GetPrinterW level=2 filled"), 2u);
}

TEST_F(PrinterHandleTest, ClosedHandleHasNoRecordAndLogsNothing) {
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    handle.close();
    EXPECT_EQ(handle.getPrinterInfo2(), nullptr);
    EXPECT_TRUE(printerLines.logger.lines.empty());
}

TEST_F(PrinterHandleTest, FailedFetchIsLoggedWithTheSystemErrorAndGivesNoRecord) {
    printer.setup().recordGrowsBetweenQueries = true;
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    EXPECT_EQ(handle.getPrinterInfo2(), nullptr);

    ASSERT_EQ(printerLines.logger.lines.size(), 1u);
    const auto& line = printerLines.logger.lines[0];
    EXPECT_EQ(line.level, plat::LevelError);
    EXPECT_EQ(line.writer, "Printer");
    EXPECT_EQ(line.text, plat::SystemException("Unable to get PrinterInfo2", ERROR_INSUFFICIENT_BUFFER).message);
    EXPECT_EQ(line.text.rfind("Unable to get PrinterInfo2: ", 0), 0u) << line.text;
    // Asked once more with the room first reported, not again.
    EXPECT_EQ(events.startingWith("GetPrinterW"),
              (Events{"GetPrinterW level=2 sizing", "GetPrinterW level=2 too small"}));
}

}  // namespace
