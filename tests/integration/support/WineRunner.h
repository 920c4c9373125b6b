// The Windows build of the program (quorlex.exe with the test stand-in
// fpdfview.dll beside it) run under Wine, in the prefix scripts/wine-prefix
// prepared, printing through the same CUPS scheduler as the Linux build.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "integration/support/ProcessRunner.h"
#include "integration/support/SkipUnless.h"

namespace itest::wine {

// QUORLEX_WINDOWS_BUILD (the folder holding quorlex.exe and fpdfview.dll)
// and WINEPREFIX, or null when either is not set.
struct Setup {
    std::string buildFolder;
    std::string program;      // <buildFolder>/quorlex.exe
    std::string prefix;
};
const Setup* setup();

// Skips the test when the Windows build or the Wine prefix is not given.
#define QUORLEX_REQUIRE_WINE()                                                              \
    QUORLEX_SKIP_UNLESS(::itest::wine::setup(),                                             \
                        "Windows build not given: set QUORLEX_WINDOWS_BUILD to the folder " \
                        "of quorlex.exe and eval \"$(scripts/wine-prefix env)\" after "     \
                        "scripts/wine-prefix start (scripts/test does)")

// Runs a Windows program under Wine. Its output streams go to files, not
// pipes: Wine's own helper processes (started on demand by the first
// program that needs them) inherit them and live on after the program.
// Standard input is a file holding options.input for Stdin::Pipe, and a
// pipe this process holds open for Stdin::HeldPipe.
RunResult run(const std::string& program, const std::vector<std::string>& args,
              const RunOptions& options = {});

// The same with input written into a real pipe on standard input (not a
// file), closed after its last byte, as `producer | quorlex.exe` gives it.
RunResult runPiped(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const RunOptions& options = {});

// quorlex.exe of the Windows build.
RunResult runQuorlex(const std::vector<std::string>& args, const RunOptions& options = {});

// Waits until no desktop process of the prefix runs (Wine starts one for a
// program that needs it and ends it some seconds after the program). A
// program started while one runs without a display cannot show a window
// even with a display. False when one still runs after the timeout.
bool waitForNoDesktop(int timeoutSeconds = 60);

// The major version of the Wine that runs the programs ("wine-10.0" gives
// 10), or 0 when it cannot be told.
int majorVersion();

// A Unix path as the Windows program sees it (Wine's drive Z:).
std::string windowsPath(const std::string& unixPath);

// Text written by a Windows program's text-mode streams, with its "\r\n"
// line ends turned into "\n".
std::string unixLines(const std::string& text);

}  // namespace itest::wine
