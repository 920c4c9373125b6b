// Printing to a CUPS class: its papers are what all its members have, the
// scheduler hands each job to a member that is free, and every run that
// waits learns its job printed.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// Takes the member out of the class's service, and back however the test ends.
struct StoppedMember {
    std::string queue;
    explicit StoppedMember(std::string name) : queue(std::move(name)) { sandbox::shell("cupsdisable " + queue); }
    ~StoppedMember() { sandbox::shell("cupsenable " + queue); }
};

// Where the jobs of that many runs started at once, each waiting for its
// job, were printed: how many at printer A and at printer B. Every run must
// end in success and every job be at exactly one of them.
std::pair<int, int> printAtOnce(int runs, const std::string& what) {
    const auto* env = sandbox::environment();
    std::vector<std::string> titles;
    std::vector<std::unique_ptr<sandbox::BackgroundRun>> started;
    const std::string folder = makeTempDir("class");
    for (int i = 0; i < runs; ++i) {
        titles.push_back(sandbox::uniqueTitle(what));
        started.push_back(std::make_unique<sandbox::BackgroundRun>(
            QUORLEX_BIN, std::vector<std::string>{"ExitCode=result", "Wait=120", "-printpdf", kMixedPdf, env->className, titles.back()},
            folder + "/run-" + std::to_string(i)));
    }
    for (auto& run : started) {
        const RunResult result = run->wait(180);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    const auto onA = sandbox::finishedPrinterJobs(env->ippUri);
    const auto onB = sandbox::finishedPrinterJobs(env->ippBUri);
    const auto count = [](const std::vector<sandbox::Job>& jobs, const std::string& title) {
        int n = 0;
        for (const auto& job : jobs) n += job.name == title && job.state == sandbox::JobState::Completed;
        return n;
    };
    std::pair<int, int> printed{0, 0};
    for (const std::string& title : titles) {
        const int a = count(onA, title), b = count(onB, title);
        EXPECT_EQ(a + b, 1) << title;
        printed.first += a;
        printed.second += b;
    }
    return printed;
}

}  // namespace

TEST(Classes, RunsStartedAtOnceAllPrintOnBothMembersOnPapersBothHave) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    // Printer A also has US Legal and A3; the class offers what both have.
    const RunResult plan = sandbox::printPdf(kMixedPdf, env->className, "plan", {"DryRun=yes"});
    std::istringstream lines(plan.out);
    std::vector<std::string> papers;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("paper\t", 0) == 0) papers.push_back(line.substr(6, line.find('\t', 6) - 6));
    EXPECT_EQ(papers, (std::vector<std::string>{"A5", "A4", "Letter"})) << plan.out;

    const auto [onA, onB] = printAtOnce(12, "class");
    EXPECT_GT(onA, 0);
    EXPECT_GT(onB, 0);
}

TEST(Classes, WithOneMemberStoppedTheOtherTakesEveryJob) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    ASSERT_EQ(env->classMembers.size(), 2u);
    const StoppedMember stopped(env->classMembers[1]);
    const auto [onA, onB] = printAtOnce(12, "class B stopped");
    EXPECT_EQ(onA, 12);
    EXPECT_EQ(onB, 0);
}

}  // namespace itest
