// Print runs that fail on the CUPS side: each says why, ends with exit code
// 1, and leaves nothing half printed.
#include <gtest/gtest.h>

#include <signal.h>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

using sandbox::printPdf;
using sandbox::uniqueTitle;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// The log wraps long lines under a name column: compare with every run of
// white space as one blank.
std::string flattened(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\t' || c == '\r';
        if (!blank)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    return out;
}

bool contains(const std::string& text, const std::string& part) {
    return flattened(text).find(part) != std::string::npos;
}

// A document that takes the program several seconds to draw and send
// (drawn: placed, it goes in a fraction of a second).
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
    EXPECT_TRUE(contains(result.err, "no-scheduler.sock)")) << result.err;
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
    ASSERT_EQ(sandbox::shell("cupsreject " + env->ppdQueue).exitCode, 0);
    const QueueAccept accept{env->ppdQueue};

    const std::string title = uniqueTitle("rejected");
    const RunResult result = printPdf(kMixedPdf, env->ppdQueue, title);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "Unable to print document")) << result.err;
    EXPECT_TRUE(contains(result.err, "not accepting jobs")) << result.err;
    EXPECT_FALSE(sandbox::schedulerJob(env->ppdQueue, title).has_value());
}

// Runs the long document in the background under a title of its own; the
// scheduler's job once it has one, while the document is still being sent.
// The job is cancelled at the end, so that none is left waiting.
class LongRun {
public:
    LongRun(const std::string& queue, const std::string& what)
        : queue_(queue),
          title_(uniqueTitle(what)),
          known_(sandbox::schedulerJobIds(queue)),
          run_(QUORLEX_BIN, {"Render=always", "-printpdf", longDocument(), queue, title_},
               makeTempDir("long-run") + "/output"),
          job_(sandbox::waitForSchedulerJob(queue, title_, known_, 60)) {}
    ~LongRun() {
        if (job_) sandbox::cancelSchedulerJob(queue_, job_->id);
    }
    LongRun(const LongRun&) = delete;
    LongRun& operator=(const LongRun&) = delete;

    const std::string& queue() const { return queue_; }
    const std::string& title() const { return title_; }
    const std::optional<sandbox::Job>& job() const { return job_; }
    int pid() const { return run_.pid(); }
    RunResult finish() { return run_.wait(); }

private:
    std::string queue_;
    std::string title_;
    std::vector<int> known_;
    sandbox::BackgroundRun run_;
    std::optional<sandbox::Job> job_;
};

// The scheduler has the run's job and is still receiving its document.
::testing::AssertionResult underway(const LongRun& run) {
    if (!run.job()) return ::testing::AssertionFailure() << "no job appeared";
    if (run.job()->state == sandbox::JobState::Completed)
        return ::testing::AssertionFailure() << "finished too soon to test";
    return ::testing::AssertionSuccess();
}

// Nothing of the run reached the printer, and its job is still there
// without a document or was ended: it did not print.
void expectNothingPrinted(const LongRun& run) {
    expectNeverPrinted(run.title());
    const auto job = sandbox::schedulerJobById(run.queue(), run.job()->id);
    ASSERT_TRUE(job.has_value());
    EXPECT_NE(job->state, sandbox::JobState::Completed);
    EXPECT_NE(job->state, sandbox::JobState::Processing);
}

TEST(CupsFailures, ASchedulerStoppedWhileTheDocumentIsSentLeavesNoPartialJob) {
    QUORLEX_REQUIRE_SANDBOX();
    LongRun run(sandbox::environment()->ippQueue, "scheduler-stopped");
    ASSERT_TRUE(underway(run));
    {
        const SchedulerRestart restart;
        ASSERT_TRUE(sandbox::control("stop-scheduler"));
        const RunResult result = run.finish();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_FALSE(result.timedOut);
        EXPECT_TRUE(contains(result.err, "Unable to print document")) << result.err;
        EXPECT_TRUE(contains(result.err, "connection to the CUPS scheduler was lost")) << result.err;
    }
    // Back up, the scheduler holds the job without a document: it never prints.
    expectNothingPrinted(run);
}

TEST(CupsFailures, AProgramKilledWhileTheDocumentIsSentLeavesNoPartialJob) {
    QUORLEX_REQUIRE_SANDBOX();
    LongRun run(sandbox::environment()->ippQueue, "killed");
    ASSERT_TRUE(underway(run));

    ASSERT_EQ(kill(run.pid(), SIGKILL), 0);
    const RunResult result = run.finish();
    EXPECT_EQ(result.exitCode, -1);   // killed

    // The upload broke off: the scheduler dropped the document, and the job
    // waits for one that will never come.
    expectNothingPrinted(run);
}

}  // namespace
}  // namespace itest
