// A print server reached over TCP that asks for a user name and password
// before it takes a job: the run signs in with User and PasswordFile, tries a
// password once, fails at once and says how to sign in when it has none,
// never prompts, and takes the password only from a file that is its
// owner's secret.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"
#include "integration/support/TerminalRunner.h"

namespace itest {
namespace {

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

#define QUORLEX_REQUIRE_PRINT_SERVER()                                                         \
    do {                                                                                       \
        QUORLEX_REQUIRE_SANDBOX();                                                             \
        if (sandbox::environment()->authServer.empty())                                        \
            GTEST_SKIP() << "the sandbox has no print server that asks for a password (not root)"; \
    } while (0)

// A password file with the given first line and mode.
std::string passwordFile(const std::string& password, mode_t mode) {
    static int counter = 0;
    const std::string path = makeTempDir("password") + "/password-" + std::to_string(++counter);
    std::ofstream(path) << password << "\nanything after the first line\n";
    chmod(path.c_str(), mode);
    return path;
}

// A run against the print server, as CUPS_SERVER names it.
RunOptions onServer() {
    RunOptions options = sandbox::unattended();
    options.env["CUPS_SERVER"] = sandbox::environment()->authServer;
    return options;
}

RunResult printOnServer(const std::string& title, const std::vector<std::string>& login,
                        const RunOptions& options = onServer()) {
    std::vector<std::string> extra = {"ExitCode=result", "Wait=60"};
    extra.insert(extra.end(), login.begin(), login.end());
    return sandbox::printPdf(kMixedPdf, sandbox::environment()->authQueue, title, extra, options);
}

// How many passwords the server found wrong so far.
int refusedPasswords() {
    return countOf(readFile(sandbox::environment()->folder + "/auth/log/error_log"), "pam_authenticate() returned");
}

}  // namespace

TEST(PrintServer, TheRightPasswordPrintsAndAWrongOneIsTriedOnceAndNamed) {
    QUORLEX_REQUIRE_PRINT_SERVER();
    const auto* env = sandbox::environment();
    const std::string title = sandbox::uniqueTitle("signed in");
    const RunResult signedIn =
        printOnServer(title, {"User=" + env->authUser, "PasswordFile=" + passwordFile(env->authPassword, 0600)});
    EXPECT_EQ(signedIn.exitCode, 0) << signedIn.err;
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::printedDocument(title)),
                                   {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}));

    const int refusedBefore = refusedPasswords();
    const RunResult wrong =
        printOnServer(sandbox::uniqueTitle("wrong"), {"User=" + env->authUser, "PasswordFile=" + passwordFile("wrong", 0400)});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(holds(wrong.err, "the print server did not accept the user name " + env->authUser)) << wrong.err;
    EXPECT_FALSE(holds(wrong.err, "wrong")) << "the password was shown: " << wrong.err;
    EXPECT_EQ(refusedPasswords(), refusedBefore + 1);
}

TEST(PrintServer, WithoutAPasswordTheRunFailsAtOnceSaysHowToSignInAndNeverPrompts) {
    QUORLEX_REQUIRE_PRINT_SERVER();
    const auto started = std::chrono::steady_clock::now();
    const RunResult missing = printOnServer(sandbox::uniqueTitle("no password"), {});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(holds(missing.err, "the print server asks for a user name and password: give them with "
                                   "User=NAME and PasswordFile=PATH")) << missing.err;

    // With a terminal to prompt on, as when started from a desktop session.
    const TerminalResult onTerminal = runOnTerminal(
        {"-printpdf", kMixedPdf, sandbox::environment()->authQueue, sandbox::uniqueTitle("terminal"),
         "User=" + sandbox::environment()->authUser},
        30, {{"CUPS_SERVER", sandbox::environment()->authServer}});
    EXPECT_EQ(onTerminal.exitCode, 1);
    EXPECT_FALSE(holds(onTerminal.terminal, "assword")) << onTerminal.terminal;
    EXPECT_TRUE(holds(onTerminal.err, "the print server asks for the password of " +
                                          sandbox::environment()->authUser)) << onTerminal.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

TEST(PrintServer, APasswordFileOthersMayReadOrALinkIsRefusedBeforeTheServerIsAsked) {
    QUORLEX_REQUIRE_PRINT_SERVER();
    const auto* env = sandbox::environment();
    const std::string readable = passwordFile(env->authPassword, 0640);
    const std::string link = readable + "-link";
    ASSERT_EQ(symlink(passwordFile(env->authPassword, 0600).c_str(), link.c_str()), 0);
    const std::pair<std::string, std::string> refused[] = {
        {readable, "PasswordFile=" + readable + " is not accepted: others than its owner may read it (mode 0640)"},
        {link, "PasswordFile=" + link + " is not accepted: it is a symbolic link"},
    };
    for (const auto& [file, message] : refused) {
        const std::string title = sandbox::uniqueTitle("refused file");
        const RunResult result = printOnServer(title, {"User=" + env->authUser, "PasswordFile=" + file});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(holds(result.err, "Unable to print document: " + message)) << result.err;
        EXPECT_FALSE(holds(result.err, env->authPassword)) << result.err;
    }
}

TEST(PrintServer, ClientConfNamesTheServerAndAsksForTls) {
    QUORLEX_REQUIRE_PRINT_SERVER();
    const auto* env = sandbox::environment();
    const std::string home = makeTempDir("client-conf");
    ASSERT_EQ(sandbox::shell("mkdir -p '" + home + "/.cups'").exitCode, 0);
    std::ofstream(home + "/.cups/client.conf") << "ServerName " << env->authServer << "\nEncryption Required\n";
    RunOptions options = sandbox::unattended();
    options.env["HOME"] = home;
    options.unsetEnv.push_back("CUPS_SERVER");
    const std::string title = sandbox::uniqueTitle("client.conf");
    const RunResult result =
        printOnServer(title, {"User=" + env->authUser, "PasswordFile=" + passwordFile(env->authPassword, 0600)}, options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(sandbox::waitForPrinterJob(title).has_value());
}

}  // namespace itest
