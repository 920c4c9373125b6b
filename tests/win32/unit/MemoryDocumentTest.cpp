// A document read from standard input reaches the Windows engine from
// memory (FPDF_LoadMemDocument) with its bytes, which stay until the
// document is closed; an engine that reads files only is refused before
// any printer is opened, and so is a document too large for the engine's int.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "common/PrintJobFixture.h"
#include "plat/Exception.h"
#include "print/PrintJob.h"
#include "win32/printing/EngineDocument.h"
#include "win32/unit/support/RecordingEngine.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace {

using namespace testsupport;
using Events = std::vector<std::string>;

const std::string kPdfBytes = "%PDF-1.7\n... two A4 pages ...\n%%EOF\n";

std::shared_ptr<const std::string> inMemory(const std::string& bytes) {
    return std::make_shared<const std::string>(bytes);
}

TEST(MemoryDocument, AJobFromMemoryGivesTheEngineTheBytesAndPrintsEveryPage) {
    EventLog events;
    RecordingSpooler spooler(events);
    RecordingEngine engine(events);
    engine.script(kPdfBytes, ScriptedDocument{{kA4Page, kA4Page}, kPdfLoaded});
    const auto bytes = inMemory(kPdfBytes);
    {
        PrintJob job("rec:printer");
        job.documentInMemory = bytes;
        job.print("-", "Payslip 4711", false);
        EXPECT_EQ(job.results.printedPages, 2);
    }
    ASSERT_GE(events.events.size(), 2u);
    EXPECT_EQ(events.events[0], "FPDF_InitLibrary");
    EXPECT_EQ(events.events[1], "FPDF_LoadMemDocument " + std::to_string(kPdfBytes.size()) + " bytes");
    // The very bytes read, not a copy, and no file: nothing was loaded by name.
    EXPECT_EQ(engine.memoryData, bytes->data());
    EXPECT_EQ(engine.memorySize, static_cast<int>(kPdfBytes.size()));
    for (const std::string& event : events.events) EXPECT_EQ(event.rfind("FPDF_LoadDocument", 0), std::string::npos);
    EXPECT_EQ(std::count(events.events.begin(), events.events.end(), "StartDocW Payslip 4711"), 1);
    EXPECT_EQ(events.events.back(), "ClosePrinter rec:printer");
    EXPECT_EQ(engine.openDocuments(), 0);
}

TEST(MemoryDocument, TheBytesStayWithTheDocumentUntilItIsClosed) {
    EventLog events;
    RecordingEngine engine(events);
    engine.script(kPdfBytes, ScriptedDocument{{kA4Page}, kPdfLoaded});
    winprint::EngineLibrary library;
    auto bytes = inMemory(kPdfBytes);
    const std::weak_ptr<const std::string> watched = bytes;
    unsigned long error = 0;
    std::unique_ptr<PdfDocument> document = library.openInMemory(std::move(bytes), error);
    ASSERT_NE(document, nullptr);
    // The caller's own reference is gone; the engine still reads them.
    EXPECT_FALSE(watched.expired());
    EXPECT_EQ(document->pageCount(), 1);
    document.reset();
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(events.events.back(), "FPDF_CloseDocument");
}

TEST(MemoryDocument, ADocumentTheEngineCannotReadGivesItsErrorCode) {
    EventLog events;
    RecordingEngine engine(events);
    engine.script(kPdfBytes, ScriptedDocument{{}, kPdfFormatError});
    winprint::EngineLibrary library;
    unsigned long error = 0;
    EXPECT_EQ(library.openInMemory(inMemory(kPdfBytes), error), nullptr);
    EXPECT_EQ(error, kPdfFormatError);
    EXPECT_EQ(events.events.back(), "FPDF_LoadMemDocument " + std::to_string(kPdfBytes.size()) + " bytes failed");
}

TEST(MemoryDocument, AnEngineWithoutLoadMemDocumentIsRefusedBeforeThePrinterIsOpened) {
    EventLog events;
    RecordingSpooler spooler(events);
    RecordingEngine engine(events, /*readsMemory=*/false);
    engine.script(kPdfBytes, ScriptedDocument{{kA4Page}, kPdfLoaded});
    PrintJob job("rec:printer");
    job.documentInMemory = inMemory(kPdfBytes);
    try {
        job.print("-", "Payslip 4711", false);
        FAIL() << "printed from memory without FPDF_LoadMemDocument";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message,
                     "The PDF engine cannot read a document from memory: it has no FPDF_LoadMemDocument");
    }
    EXPECT_EQ(events.events, (Events{"FPDF_InitLibrary", "FPDF_DestroyLibrary"}));
    EXPECT_EQ(spooler.openPrinters(), 0);
}

TEST(MemoryDocument, ADocumentBeyondTheEnginesIntIsRefusedAndOneThatFitsIsTaken) {
    // The size alone decides, before the engine sees any byte (a test
    // document of 2 GiB would cost the machine more than it shows).
    EXPECT_NO_THROW(winprint::checkMemoryDocumentSize(static_cast<size_t>(INT_MAX)));
    try {
        winprint::checkMemoryDocumentSize(static_cast<size_t>(INT_MAX) + 1);
        FAIL() << "gave the engine more bytes than an int holds";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message,
                     "The PDF engine cannot read a document of more than 2147483647 bytes from memory");
    }
}

}  // namespace
