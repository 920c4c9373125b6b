// The spooler printer handle: opening by name, the failure text, closing and
// the printer's record.
#include <gtest/gtest.h>

#include <string>

#include "plat/Exception.h"
#include "posix/winapi/Utf.h"
#include "print/PrintLogs.h"
#include "win32/printing/PrinterHandle.h"
#include "unit/support/RecordingPrinter.h"

namespace {

using testsupport::EventLog;
using testsupport::RecordingPrinter;
using testsupport::WriterCapture;

PRINTER_DEFAULTSW useDefaults() { return {nullptr, nullptr, PRINTER_ACCESS_USE}; }

class PrinterHandleTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingPrinter printer{events};
    WriterCapture printerLines{printerLog};
    PRINTER_DEFAULTSW defaults = useDefaults();
};

TEST_F(PrinterHandleTest, OpensByUtf8NameAndKeepsItAsUtf16) {
    const std::string name = printer.name() + " Büro 2";
    PrinterHandle handle;
    handle.open(name.c_str(), &defaults);
    EXPECT_NE(handle.handle, INVALID_HANDLE_VALUE);
    ASSERT_NE(handle.name(), nullptr);
    EXPECT_EQ(std::u16string(handle.name()), u"rec:printer Büro 2");
    EXPECT_EQ(printer.liveDrivers(), 1);
}

TEST_F(PrinterHandleTest, CloseReleasesThePrinterAndLeavesAnEmptyName) {
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    ASSERT_NE(handle.getPrinterInfo2(), nullptr);
    handle.close();
    EXPECT_EQ(printer.liveDrivers(), 0);
    EXPECT_EQ(handle.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(handle.printerInfo.get(), nullptr);
    ASSERT_NE(handle.name(), nullptr);
    EXPECT_EQ(handle.name()[0], u'\0');
    handle.close();
    EXPECT_EQ(printer.liveDrivers(), 0);
    EXPECT_EQ(handle.handle, INVALID_HANDLE_VALUE);
}

TEST_F(PrinterHandleTest, DestructionAndReopeningCloseTheEarlierPrinter) {
    {
        PrinterHandle handle;
        handle.open(printer.name().c_str(), &defaults);
        handle.open((printer.name() + "2").c_str(), &defaults);
        EXPECT_EQ(printer.liveDrivers(), 1);
        EXPECT_EQ(std::u16string(handle.name()), u"rec:printer2");
        // Reopening by the name the handle itself holds.
        handle.open(handle.name(), &defaults);
        EXPECT_EQ(printer.liveDrivers(), 1);
        EXPECT_EQ(std::u16string(handle.name()), u"rec:printer2");
    }
    EXPECT_EQ(printer.liveDrivers(), 0);
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
            plat::SystemException(("Unable to open Printer " + name).c_str(),
                                  RecordingPrinter::unknownPrinterError())
                .message;
        EXPECT_EQ(text, expected);
        EXPECT_EQ(text.rfind("Unable to open Printer rec:missing-Ärger: ", 0), 0u) << text;
        EXPECT_NE(text.find("The printer or class does not exist"), std::string::npos) << text;
        EXPECT_EQ(failure.errorCode, RecordingPrinter::unknownPrinterError());
    }
    EXPECT_EQ(handle.handle, INVALID_HANDLE_VALUE);
    ASSERT_NE(handle.name(), nullptr);
    EXPECT_EQ(std::u16string(handle.name()), posix::toUtf16(name));
    EXPECT_EQ(printer.liveDrivers(), 0);
}

TEST_F(PrinterHandleTest, PrinterInfoCarriesTheNameAndDefaultSettings) {
    PrinterHandle handle;
    handle.open(printer.name().c_str(), &defaults);
    PRINTER_INFO_2W* info = handle.getPrinterInfo2();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::u16string(info->pPrinterName), u"rec:printer");
    ASSERT_NE(info->pDevMode, nullptr);
    EXPECT_EQ(info->pDevMode->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(info->pDevMode->dmPaperWidth, 2100);
    EXPECT_EQ(info->pDevMode->dmPaperLength, 2970);
    EXPECT_TRUE(printerLines.logger.lines.empty());
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
    EXPECT_EQ(std::u16string(second->pPrinterName), u"rec:printer");
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
    EXPECT_EQ(line.text,
              plat::SystemException("Unable to get PrinterInfo2", ERROR_INSUFFICIENT_BUFFER).message);
    EXPECT_EQ(line.text.rfind("Unable to get PrinterInfo2: ", 0), 0u) << line.text;
}

}  // namespace
