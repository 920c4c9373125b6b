// The notice of a failed run: a modal desktop dialog when there is a
// display, nothing (and no waiting) without one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"
#include "integration/support/ProcessRunner.h"
#include "integration/support/ProgramCopies.h"
#include "integration/support/VirtualDisplay.h"

using namespace itest;
using namespace std::chrono_literals;

namespace {

Launch withDisplay(const std::string& display, const std::string& path) {
    return Launch().set("DISPLAY", display).set("PATH", path).unset("WAYLAND_DISPLAY").timeout(60);
}

// The id of the first window with exactly this title, or empty.
std::string findWindow(const std::string& display, const std::string& title) {
    RunResult r = run("/usr/bin/env", {"xdotool", "search", "--name", "^" + title + "$"},
                      Launch().devNull().set("DISPLAY", display));
    return r.out.substr(0, r.out.find('\n'));
}

}  // namespace

TEST(Notice, FailedRunOnADesktopStaysUntilTheDialogIsClosed) {
    const std::string xmessage = findProgram("xmessage");
    if (findProgram("Xvfb").empty() || xmessage.empty() || findProgram("xdotool").empty())
        GTEST_SKIP() << "needs Xvfb, xmessage and xdotool";
    VirtualDisplay display;
    ASSERT_TRUE(display.running());
    // Only xmessage is offered, whatever else is installed.
    std::string tools = makeTempDir("xmessage");
    ASSERT_EQ(symlink(xmessage.c_str(), (tools + "/xmessage").c_str()), 0);

    auto pending = std::async(std::launch::async, [&] { return runQuorlex({}, withDisplay(display.name(), tools)); });
    std::string window;
    for (int i = 0; i < 200 && window.empty(); ++i) {
        std::this_thread::sleep_for(100ms);
        window = findWindow(display.name(), "Quorlex: Error: ");
    }
    ASSERT_FALSE(window.empty()) << "no notice window appeared";
    EXPECT_EQ(pending.wait_for(1s), std::future_status::timeout) << "the run did not wait for the notice";

    // Closing the window's connection, as a window manager's "kill" does;
    // xmessage outlives a mere destruction of its window.
    run("/usr/bin/env", {"xdotool", "windowkill", window}, Launch().devNull().set("DISPLAY", display.name()));
    ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
    RunResult r = pending.get();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Unable to print document: No PDF file specified"), std::string::npos) << r.err;
}

TEST(Notice, FailedRunWithoutDisplayOrDialogProgramEndsAtOnce) {
    Launch headless = Launch().unset("DISPLAY").unset("WAYLAND_DISPLAY").timeout(20);
    RunResult r = runQuorlex({}, headless);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1);

    RunResult noTool = runQuorlex({}, withDisplay(":424242", makeTempDir("notools")));
    EXPECT_FALSE(noTool.timedOut);
    EXPECT_EQ(noTool.exitCode, 1);
}

TEST(Notice, DialogProgramGetsCaptionAndMessageAsArguments) {
    std::string tools = makeTempDir("zenity");
    std::string record = tools + "/arguments";
    writeScript(tools + "/zenity", "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"" + record + "\"\n");
    RunResult r = runQuorlex({}, withDisplay(":424242", tools + ":/usr/bin:/bin"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(splitAtNul(readFile(record)),
              (std::vector<std::string>{"--error", "--no-markup", "--title=Quorlex: Error: ",
                                        "--text=No PDF file specified"}));
}
