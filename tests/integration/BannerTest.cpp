// The version banner: read from the program file's own version block, so a
// damaged or missing block stops the run before the command line is read.
#include <gtest/gtest.h>

#include <filesystem>

#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"
#include "integration/support/ProcessRunner.h"
#include "integration/support/ProgramCopies.h"
#include "../src/posix/VersionBlock.h"

using namespace itest;
namespace fs = std::filesystem;

namespace {

posix::version::BlockContents blockContents(std::u16string table = u"080904b0") {
    posix::version::BlockContents c;
    c.stringTable = std::move(table);
    c.strings = {{u"FileVersion", u"9.8.7.6"},
                 {u"FileDescription", u"Druck ohne Aufsicht \u2013 \u00fcberall"},
                 {u"ProductName", u"Qu\u00f6rlex \u2713"},
                 {u"LegalCopyright", u"\u00a9 2026 Somebody"}};
    c.translations = {0x04B00809u};
    return c;
}

// Log lines wrap under a 13-character column; this joins them again.
std::string unwrapped(std::string text) {
    const std::string continuation = "\n             ";
    for (size_t at; (at = text.find(continuation)) != std::string::npos;) text.erase(at, continuation.size());
    return text;
}

RunResult runCopy(const std::string& program, const std::vector<std::string>& args) {
    return run(program, args, Launch().pipe("\n\n"));
}

}  // namespace

TEST(Banner, ValuesOutsideAsciiReachStdoutAsUtf8) {
    std::string program = programWithVersionBlock(makeTempDir("utf8"), buildBlock(blockContents()));
    ASSERT_FALSE(program.empty());
    RunResult r = runCopy(program, {});
    EXPECT_EQ(r.out.substr(0, r.out.find(kPrompt)),
              "Qu\u00f6rlex \u2713 - Druck ohne Aufsicht \u2013 \u00fcberall, Version 9.8.7.6\n"
              "\u00a9 2026 Somebody\n\n");
}

TEST(Banner, ProgramWithoutVersionBlockFailsBeforeReadingTheCommandLine) {
    std::string program = programWithVersionBlock(makeTempDir("noblock"), {});
    ASSERT_FALSE(program.empty());
    RunResult r = runCopy(program, {"-help"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kPrompt);   // no banner, and no usage text
    EXPECT_NE(unwrapped(r.err).find(" main:        Unable to print document: GetVersionInfoSize failed: "
                                    "No data available (61)\n"),
              std::string::npos) << r.err;
}

TEST(Banner, StringTableOfAnotherLanguageIsNotRead) {
    auto contents = blockContents(u"040904b0");
    contents.translations = {0x04B00409u};
    std::string program = programWithVersionBlock(makeTempDir("language"), buildBlock(contents));
    ASSERT_FALSE(program.empty());
    RunResult r = runCopy(program, {"-help"});
    EXPECT_EQ(r.out, kPrompt);
    EXPECT_NE(r.err.find("Unable to print document: VerQueryValue failed\n"), std::string::npos) << r.err;
}

TEST(Banner, MissingCopyrightStopsAfterTheFirstLine) {
    auto contents = blockContents();
    contents.strings.pop_back();
    std::string program = programWithVersionBlock(makeTempDir("nocopyright"), buildBlock(contents));
    ASSERT_FALSE(program.empty());
    RunResult r = runCopy(program, {});
    EXPECT_EQ(r.out, "Qu\u00f6rlex \u2713 - Druck ohne Aufsicht \u2013 \u00fcberall, Version 9.8.7.6\n" + kPrompt);
    EXPECT_NE(r.err.find("Unable to print document: VerQueryValue failed\n"), std::string::npos) << r.err;
}

TEST(Banner, ProgramInstalledUnderAPathLongerThan260CharactersFindsItsBlock) {
    fs::path dir = makeTempDir("long");
    for (int i = 0; i < 6; ++i) dir /= std::string(50, 'a' + i);
    fs::create_directories(dir);
    fs::copy_file(QUORLEX_BIN, dir / "quorlex");
    ASSERT_GT((dir / "quorlex").string().size(), 300u);
    EXPECT_EQ(run((dir / "quorlex").string(), {}, Launch()).out, kBanner);
}

TEST(Install, InstalledStrippedProgramKeepsItsBlockAndItsManualPage) {
    std::string prefix = makeTempDir("install");
    std::string buildDir = fs::path(QUORLEX_BIN).parent_path().string();
    RunResult install = run("/usr/bin/env", {"cmake", "--install", buildDir, "--prefix", prefix, "--strip"},
                            Launch().devNull());
    ASSERT_EQ(install.exitCode, 0) << install.err;
    EXPECT_EQ(run(prefix + "/bin/quorlex", {}, Launch()).out, kBanner);

    std::string manual = prefix + "/share/man/man1/quorlex.1";
    ASSERT_TRUE(fileExists(manual));
    RunResult render = run("/usr/bin/env", {"groff", "-man", "-Tutf8", "-ww", "-z", manual}, Launch().devNull());
    EXPECT_EQ(render.exitCode, 0);
    EXPECT_EQ(render.err, "");
}
