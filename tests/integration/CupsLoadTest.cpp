// Many runs at once against one queue.
#include <gtest/gtest.h>

#include <thread>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

TEST(CupsLoad, TwentyRunsAtOnceGiveTwentyCompleteJobs) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string pdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";
    constexpr int kRuns = 20;

    std::vector<std::string> titles;
    for (int i = 0; i < kRuns; ++i) titles.push_back(sandbox::uniqueTitle("load"));
    std::vector<RunResult> results(kRuns);
    std::vector<std::thread> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.emplace_back([&, i] {
            RunOptions options = sandbox::unattended();
            options.timeoutSeconds = 240;
            results[i] = sandbox::printPdf(pdf, env->ippQueue, titles[i], {}, options);
        });
    }
    for (std::thread& run : runs) run.join();

    for (int i = 0; i < kRuns; ++i) {
        SCOPED_TRACE(titles[i]);
        sandbox::expectPrinted(results[i]);
        const std::string document = sandbox::printedDocument(titles[i]);
        if (document.empty()) continue;
        EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(document),
                                       {sandbox::kA4, sandbox::kA4, sandbox::kLetter,
                                        sandbox::kA5}));
    }
}

}  // namespace
}  // namespace itest
