// Print runs that fail on the CUPS side: each says why, ends with exit code
// 1, and leaves nothing half printed.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

using sandbox::printPdf;
using sandbox::uniqueTitle;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A document that takes the program several seconds to draw and send.
const std::string& longDocument() {
    static const std::string path = [] {
        const std::string file = makeTempDir("long") + "/long.pdf";
        std::vector<sandbox::PageSize> pages(200, sandbox::kA4);
        sandbox::writePdf(file, pages, sandbox::PageContent::Heavy);
        return file;
    }();
    return path;
}

// Nothing of the job reaches the printer, now or a little later.
void expectNeverPrinted(const std::string& title) {
    EXPECT_FALSE(sandbox::waitForPrinterJob(title, 5).has_value())
        << "the printer received job \"" << title << "\"";
}

// Starts the scheduler again however the test ends.
struct SchedulerRestart {
    ~SchedulerRestart() { EXPECT_TRUE(sandbox::control("start-scheduler")); }
};

// Lets the queue take jobs again however the test ends.
struct QueueAccept {
    std::string queue;
    ~QueueAccept() { sandbox::shell("cupsaccept " + queue); }
};

TEST(CupsFailures, ASchedulerThatIsNotRunningIsNamedAsTheReason) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    RunOptions options = sandbox::unattended();
    options.env["CUPS_SERVER"] = makeTempDir("dead") + "/no-scheduler.sock";
    const RunResult result =
        printPdf(kMixedPdf, env->ippQueue, uniqueTitle("no-scheduler"), {}, options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "Unable to open Printer " + env->ippQueue)) << result.err;
    EXPECT_TRUE(contains(result.err, "The CUPS scheduler is not running")) << result.err;
    EXPECT_TRUE(contains(result.err, "no-scheduler.sock")) << result.err;
}

TEST(CupsFailures, AnUnknownPrinterIsReportedAsNotExisting) {
    QUORLEX_REQUIRE_SANDBOX();
    const std::string title = uniqueTitle("unknown");
    const RunResult result = printPdf(kMixedPdf, "no-such-printer", title);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "Unable to open Printer no-such-printer")) << result.err;
    EXPECT_TRUE(contains(result.err, "does not exist")) << result.err;
}

TEST(CupsFailures, AQueueThatRejectsJobsFailsTheRunWithoutAJob) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const auto before = sandbox::schedulerJobs(env->ppdQueue, true);
    ASSERT_EQ(sandbox::shell("cupsreject " + env->ppdQueue).exitCode, 0);
    const QueueAccept accept{env->ppdQueue};

    const std::string title = uniqueTitle("rejected");
    const RunResult result = printPdf(kMixedPdf, env->ppdQueue, title);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "Unable to print document")) << result.err;
    EXPECT_TRUE(contains(result.err, "not accepting jobs")) << result.err;
    EXPECT_TRUE(sandbox::schedulerJobs(env->ppdQueue, false).empty());
    EXPECT_EQ(sandbox::schedulerJobs(env->ppdQueue, true), before);
}

// Runs the long document in the background; the job's id once the
// scheduler has it, while the document is still being sent.
class LongRun {
public:
    LongRun(const std::string& queue, const std::string& title, const std::string& pidFile)
        : known_(sandbox::schedulerJobs(queue, false)) {
        worker_ = std::thread([this, queue, title, pidFile] {
            // The shell hands its own pid to quorlex, so the test can stop it.
            result_ = run("/bin/sh",
                          {"-c", "echo $$ > \"$0\"; exec \"$@\"", pidFile, QUORLEX_BIN,
                           "-printpdf", longDocument(), queue, title},
                          sandbox::unattended());
        });
        jobId_ = sandbox::waitForActiveJob(queue, known_, 60);
    }
    ~LongRun() {
        if (worker_.joinable()) worker_.join();
    }

    std::optional<int> jobId() const { return jobId_; }
    const RunResult& finish() {
        worker_.join();
        return result_;
    }

private:
    std::vector<int> known_;
    std::thread worker_;
    RunResult result_;
    std::optional<int> jobId_;
};

TEST(CupsFailures, ASchedulerStoppedWhileTheDocumentIsSentLeavesNoPartialJob) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = uniqueTitle("scheduler-stopped");
    LongRun run(env->ippQueue, title, makeTempDir("stopped") + "/pid");
    ASSERT_TRUE(run.jobId().has_value()) << "no job appeared";
    const int jobId = *run.jobId();
    {
        const SchedulerRestart restart;
        ASSERT_TRUE(sandbox::control("stop-scheduler"));
        const RunResult& result = run.finish();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_FALSE(result.timedOut);
        EXPECT_TRUE(contains(result.err, "Unable to print document")) << result.err;
    }
    // Back up, the scheduler holds the job without a document: it never prints.
    expectNeverPrinted(title);
    const auto completed = sandbox::schedulerJobs(env->ippQueue, true);
    const auto active = sandbox::schedulerJobs(env->ippQueue, false);
    const bool stillWaiting = std::count(active.begin(), active.end(), jobId) == 1;
    const bool ended = std::count(completed.begin(), completed.end(), jobId) == 1;
    EXPECT_TRUE(stillWaiting || ended);
    sandbox::cancelSchedulerJob(env->ippQueue, jobId);
}

TEST(CupsFailures, AProgramKilledWhileTheDocumentIsSentLeavesNoPartialJob) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = uniqueTitle("killed");
    const std::string pidFile = makeTempDir("killed") + "/pid";
    LongRun run(env->ippQueue, title, pidFile);
    ASSERT_TRUE(run.jobId().has_value()) << "no job appeared";
    const int jobId = *run.jobId();

    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    const RunResult& result = run.finish();
    EXPECT_EQ(result.exitCode, -1);   // killed

    // The upload broke off: the scheduler dropped the document, and the job
    // waits for one that will never come.
    expectNeverPrinted(title);
    const auto completed = sandbox::schedulerJobs(env->ippQueue, true);
    EXPECT_EQ(std::count(completed.begin(), completed.end(), jobId), 0)
        << "the job of a killed run finished";
    sandbox::cancelSchedulerJob(env->ippQueue, jobId);
}

}  // namespace
}  // namespace itest
