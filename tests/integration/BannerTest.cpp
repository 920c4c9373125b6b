// The version banner: read from the program file's own version block, so a
// damaged or missing block stops the run before the command line is read.
#include <gtest/gtest.h>

#include <filesystem>

#include "../src/posix/winapi/VersionBlock.h"
#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"
#include "integration/support/ProgramCopies.h"

using namespace itest;
namespace fs = std::filesystem;

namespace {

const std::string kFirstLine = "Qu\u00f6rlex \u2713 - Druck ohne Aufsicht \u2013 \u00fcberall, Version 9.8.7.6\n";

posix::version::BlockContents blockContents() {
    posix::version::BlockContents c;
    c.stringTable = u"080904b0";
    c.strings = {{u"FileVersion", u"9.8.7.6"},
                 {u"FileDescription", u"Druck ohne Aufsicht \u2013 \u00fcberall"},
                 {u"ProductName", u"Qu\u00f6rlex \u2713"},
                 {u"LegalCopyright", u"\u00a9 2026 Somebody"}};
    c.translations = {0x04B00809u};
    return c;
}

// Runs a copy of the program carrying this block (none when empty), with
// "-help", which must not be reached when the banner fails.
RunResult runWithBlock(const std::vector<unsigned char>& block) {
    std::string program = programWithVersionBlock(makeTempDir("block"), block);
    EXPECT_FALSE(program.empty());
    return run(program, {"-help"}, Launch().pipe("\n\n"));
}

}  // namespace

TEST(Banner, ValuesOutsideAsciiReachStdoutAsUtf8) {
    RunResult r = runWithBlock(buildBlock(blockContents()));
    EXPECT_EQ(r.out.rfind(kFirstLine + "\u00a9 2026 Somebody\n\nusage: quorlex", 0), 0u) << r.out;
}

TEST(Banner, ProgramWithoutVersionBlockFailsBeforeReadingTheCommandLine) {
    RunResult r = runWithBlock({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kPrompt);   // no banner, and no usage text
    EXPECT_NE(unwrapped(r.err).find(" main:        Unable to print document: GetVersionInfoSize failed: "
                                    "No data available (61)\n"),
              std::string::npos) << r.err;
}

TEST(Banner, AnotherLanguageOrAMissingKeyFailsAfterWhatWasWritten) {
    auto otherLanguage = blockContents();
    otherLanguage.stringTable = u"040904b0";
    otherLanguage.translations = {0x04B00409u};
    auto noCopyright = blockContents();
    noCopyright.strings.pop_back();
    const std::pair<posix::version::BlockContents, std::string> cases[] = {{otherLanguage, ""},
                                                                           {noCopyright, kFirstLine}};
    for (const auto& [contents, written] : cases) {
        RunResult r = runWithBlock(buildBlock(contents));
        EXPECT_EQ(r.out, written + kPrompt);
        EXPECT_NE(r.err.find("Unable to print document: VerQueryValue failed\n"), std::string::npos) << r.err;
    }
}

TEST(Banner, ProgramUnderAPathLongerThan260CharactersFindsItsBlock) {
    fs::path dir = makeTempDir("long");
    for (char c : std::string("abcdef")) dir /= std::string(50, c);
    fs::create_directories(dir);
    fs::copy_file(QUORLEX_BIN, dir / "quorlex");
    EXPECT_EQ(run((dir / "quorlex").string(), {}, Launch()).out, kBanner);
}

TEST(Install, InstalledStrippedProgramKeepsItsBlockAndItsManualPage) {
    std::string prefix = makeTempDir("install");
    std::string buildDir = fs::path(QUORLEX_BIN).parent_path().string();
    RunResult install = run("/usr/bin/env", {"cmake", "--install", buildDir, "--prefix", prefix, "--strip"},
                            Launch().devNull());
    ASSERT_EQ(install.exitCode, 0) << install.err;
    EXPECT_EQ(run(prefix + "/bin/quorlex", {}, Launch()).out, kBanner);

    std::string manual = prefix + "/share/man/man1/quorlex.1.gz";
    ASSERT_TRUE(fileExists(manual));
    RunResult render = run("/bin/sh", {"-c", "gzip -dc \"$0\" | groff -man -Tutf8 -ww -z", manual},
                           Launch().devNull());
    EXPECT_EQ(render.exitCode, 0);
    EXPECT_EQ(render.err, "");
}
