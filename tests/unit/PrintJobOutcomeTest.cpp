// A run whose document the spooler could not take or complete must fail,
// never be reported as printed.
#include <gtest/gtest.h>

#include <string>

#include "plat/Exception.h"
#include "print/PrintJob.h"
#include "unit/support/MemoryPrinter.h"

namespace {

const std::string kMixed = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

std::string printFailure(const char* printer, int* printedPages = nullptr) {
    PrintJob job(printer);
    try {
        job.print(kMixed.c_str(), "Outcome", false);
    } catch (const plat::Exception& failure) {
        if (printedPages) *printedPages = job.printedPages;
        return failure.message;
    }
    if (printedPages) *printedPages = job.printedPages;
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

}  // namespace
