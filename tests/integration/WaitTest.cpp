// Wait=SECONDS: the run follows its job until it is on paper, and the caller
// learns how it ended from the exit code (ExitCode=result) and the log:
// printed (0), ended without printing at the printer (4), still queued when
// the time was up (5, the job left queued).
#include <gtest/gtest.h>

#include <chrono>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

RunResult printAndWait(const std::string& printer, const std::string& title, const std::string& seconds) {
    return sandbox::printPdf(kMixedPdf, printer, title,
                             {"ExitCode=result", "Wait=" + seconds, "Log=Printer:stderr:100,main:stderr:0"});
}

}  // namespace

TEST(Wait, AJobOnPaperEndsTheRunWithSuccess) {
    QUORLEX_REQUIRE_SANDBOX();
    const std::string title = sandbox::uniqueTitle("waited");
    const RunResult result = printAndWait(sandbox::environment()->ippQueue, title, "60");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(holds(unwrapped(result.err), " printed")) << result.err;
    EXPECT_EQ(sandbox::waitForPrinterJob(title, 5)->state, sandbox::JobState::Completed);

    // A file is on its paper once written.
    const RunResult file = printAndWait("file:" + makeTempDir("wait") + "/out.pdf", "file", "60");
    EXPECT_EQ(file.exitCode, 0) << file.err;
}

TEST(Wait, AJobThePrinterAbortsFailsTheRunWithItsReasons) {
    QUORLEX_REQUIRE_SANDBOX();
    const RunResult result = printAndWait(sandbox::environment()->abortingQueue, sandbox::uniqueTitle("aborted"), "60");
    EXPECT_EQ(result.exitCode, 4);
    const std::string log = unwrapped(result.err);
    EXPECT_TRUE(holds(log, "Unable to print document: Job ")) << log;
    EXPECT_TRUE(holds(log, "ended at the printer without printing: aborted")) << log;
    EXPECT_TRUE(holds(log, "printer-state-message: \"Paper jam in tray 2\"")) << log;
}

TEST(Wait, AStoppedQueueKeepsTheJobQueuedAndSaysWhyWhenTheTimeIsUp) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = sandbox::uniqueTitle("stopped");
    const auto started = std::chrono::steady_clock::now();
    const RunResult result = printAndWait(env->stoppingQueue, title, "3");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 5) << result.err;
    const std::string log = unwrapped(result.err);
    EXPECT_TRUE(holds(log, "has not printed after 3 s and stays queued")) << log;
    EXPECT_TRUE(holds(log, "printer-stopped")) << log;
    EXPECT_FALSE(holds(log, "Unable to print document")) << log;
    // Left queued, not cancelled.
    const auto job = sandbox::schedulerJob(env->stoppingQueue, title);
    ASSERT_TRUE(job.has_value());
    EXPECT_EQ(job->state, sandbox::JobState::Pending);
    sandbox::cancelSchedulerJob(env->stoppingQueue, job->id);
}

TEST(Wait, AJobSomebodyCancelsWhileTheRunWaitsFailsTheRun) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = sandbox::uniqueTitle("cancelled");
    const std::vector<int> known = sandbox::schedulerJobIds(env->stoppingQueue);
    sandbox::BackgroundRun run(QUORLEX_BIN,
                               {"ExitCode=result", "Wait=120", "-printpdf", kMixedPdf, env->stoppingQueue, title},
                               makeTempDir("cancelled") + "/output");
    const auto job = sandbox::waitForSchedulerJob(env->stoppingQueue, title, known, 60);
    ASSERT_TRUE(job.has_value());
    sandbox::cancelSchedulerJob(env->stoppingQueue, job->id);
    const RunResult result = run.wait(60);
    EXPECT_EQ(result.exitCode, 4) << result.err;
    EXPECT_TRUE(holds(unwrapped(result.err), "ended at the printer without printing: cancelled")) << result.err;
}

}  // namespace itest
