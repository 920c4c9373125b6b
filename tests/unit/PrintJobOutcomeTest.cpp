// A run whose document the spooler could not take or complete must fail,
// never be reported as printed; a job it took is followed to its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plat/Exception.h"
#include "print/JobFollower.h"
#include "print/PrintBackend.h"
#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "unit/support/LogRecording.h"
#include "unit/support/MemoryPrinter.h"
#include "unit/support/ScriptedPdfEngine.h"

namespace {

const std::string kMixed = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

std::string printFailure(const char* printer, int* printedPages = nullptr) {
    PrintJob job(printer);
    try {
        job.print(kMixed.c_str(), "Outcome", false);
    } catch (const plat::Exception& failure) {
        if (printedPages) *printedPages = job.results.printedPages;
        return failure.message;
    }
    if (printedPages) *printedPages = job.results.printedPages;
    return "";
}

TEST(PrintJobOutcome, ASpoolerThatRefusesTheJobFailsTheRunBeforeAnyPage) {
    testing_support::MemoryPrinterRegistration mem;
    mem.log->failStart = true;
    EXPECT_EQ(printFailure("mem:refusing").rfind("StartDoc: ", 0), 0u);
    EXPECT_FALSE(mem.log->finished);
}

TEST(PrintJobOutcome, ADocumentThatCouldNotBeWrittenFailsTheRunAndIsCancelled) {
    testing_support::MemoryPrinterRegistration mem;
    mem.log->failWritesAfter = 100;
    int printedPages = -1;
    EXPECT_EQ(printFailure("mem:full", &printedPages).rfind("EndDoc: ", 0), 0u);
    EXPECT_TRUE(mem.log->cancelled);
    EXPECT_FALSE(mem.log->finished);
    // The job stopped at the page the spooler failed: no page drawn after it.
    EXPECT_EQ(printedPages, 0);
}

TEST(PrintJobOutcome, ACompletedDocumentIsFinishedOnce) {
    testing_support::MemoryPrinterRegistration mem;
    EXPECT_EQ(printFailure("mem:fine"), "");
    EXPECT_TRUE(mem.log->finished);
    EXPECT_FALSE(mem.log->cancelled);
    EXPECT_EQ(testing_support::pageSizes(mem.log->bytes).size(), 4u);
}

TEST(PrintJobOutcome, APageThatCannotBePutOnItsSheetIsSkippedWithItsReasonAndLeavesNoSheet) {
    testing_support::MemoryPrinterRegistration mem;
    testsupport::EventLog events;
    testsupport::ScriptedPdfEngine engine{events};
    engine.script("doc.pdf", testsupport::ScriptedDocument{{{595, 842, true}, {595, 842, true}, {595, 842, true}},
                                                            kPdfLoaded});
    engine.unplaceablePage = 1;
    testsupport::WriterCapture lines(pdfPrintLog);
    PrintJob job("mem:skipping");
    job.print("doc.pdf", "Outcome", false);

    EXPECT_EQ(job.results.printedPages, 2);
    EXPECT_EQ(job.results.skippedPages, 1) << "so that ExitCode=result ends with 3";
    ASSERT_TRUE(mem.log->finished);
    EXPECT_EQ(testing_support::pageSizes(mem.log->bytes).size(), 2u) << "no blank sheet for the page";
    const auto& logged = lines.logger.lines;
    const auto reason = std::find_if(logged.begin(), logged.end(), [](const auto& line) {
        return line.text == "Page 1 could not be printed: scripted";
    });
    ASSERT_NE(reason, logged.end());
    EXPECT_EQ(reason->level, plat::LevelError);
}

// A printer of raster: every page is drawn, and what is drawn is sent.
class RasterMemoryPrinter : public testing_support::MemoryPrinter {
public:
    using MemoryPrinter::MemoryPrinter;
    const posix::RasterFormat* rasterFormat() const override { return &format_; }

private:
    posix::RasterFormat format_ = [] {
        posix::RasterFormat format;
        format.gray8 = true;
        return format;
    }();
};

size_t occurrences(const std::string& text, const std::string& word) {
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
    return count;
}

TEST(PrintJobOutcome, ARasterPrinterIsSentNoSheetForAPageThatCannotBePutOnIt) {
    auto log = std::make_shared<testing_support::MemoryJobLog>();
    posix::registerPrinterDriver("raster-mem:", [log](const std::string& name) {
        auto printer = std::make_unique<RasterMemoryPrinter>(name, log);
        printer->papers_ = testing_support::standardPapers();
        printer->defaults_ = posix::PrinterDefaults{0, posix::Orientation::Portrait, 75, 75};
        return printer;
    });
    testsupport::EventLog events;
    testsupport::ScriptedPdfEngine engine{events};
    engine.script("doc.pdf", testsupport::ScriptedDocument{{{595, 842, true}, {595, 842, true}, {595, 842, true}},
                                                            kPdfLoaded});
    engine.unplaceablePage = 1;
    PrintJob job("raster-mem:skipping");
    job.print("doc.pdf", "Outcome", false);
    posix::unregisterPrinterDriver("raster-mem:");

    EXPECT_EQ(job.results.printedPages, 2);
    EXPECT_EQ(job.results.skippedPages, 1);
    ASSERT_TRUE(log->finished);
    // Each page of PWG raster begins with a header naming its class.
    EXPECT_EQ(occurrences(log->bytes, "PwgRaster"), 2u);
}

TEST(PrintJobOutcome, ARunWhoseEveryPageCannotBePutOnItsSheetPrintsNothing) {
    testing_support::MemoryPrinterRegistration mem;
    testsupport::EventLog events;
    testsupport::ScriptedPdfEngine engine{events};
    engine.script("doc.pdf", testsupport::ScriptedDocument{{{595, 842, true}}, kPdfLoaded});
    engine.unplaceablePage = 0;
    PrintJob job("mem:skipping");
    job.print("doc.pdf", "Outcome", false);
    EXPECT_EQ(job.results.printedPages, 0);
    EXPECT_EQ(job.results.skippedPages, 1);
    EXPECT_TRUE(mem.log->cancelled);
    EXPECT_FALSE(mem.log->finished);
}

}  // namespace

namespace {

// A spooler whose job completes, with longer reasons, right after its
// record was first sized: the record is then larger than announced.
class ChangingJobPrinter : public testing_support::MemoryPrinter {
public:
    using MemoryPrinter::MemoryPrinter;
    bool jobStatus(int, posix::JobStatus& status) override {
        const bool first = looks_++ == 0;
        status.state = first ? posix::JobStatus::State::Processing : posix::JobStatus::State::Completed;
        status.reasons = first ? "job-printing" : "job-completed-successfully; printer-state-message: \"Idle.\"";
        return true;
    }

private:
    int looks_ = 0;
};

}  // namespace

TEST(PrintJobOutcome, AJobThatChangesWhileItsRecordIsReadIsStillFollowed) {
    posix::registerPrinterDriver("changing:", [](const std::string& name) {
        return std::make_unique<ChangingJobPrinter>(name, std::make_shared<testing_support::MemoryJobLog>());
    });
    testsupport::WriterCapture capture(printerLog);
    JobOutcome outcome;
    {
        const std::unique_ptr<Printer> printer = printBackend().openPrinter("changing:job");
        outcome = followJob(*printer, 7, 30);
    }
    posix::unregisterPrinterDriver("changing:");
    EXPECT_EQ(outcome.end, JobEnd::Printed);
    for (const std::string& line : capture.logger.texts())
        EXPECT_EQ(line.find("cannot be asked"), std::string::npos) << line;
}
