// Writers pass messages by level to their target, format them into a
// bounded buffer, and are found by name in the process-wide lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/LogWriter.h"
#include "app/JobSettings.h"
#include "print/PrintLogs.h"
#include "support/LogTestSupport.h"
#include "unit/support/RecordingPrinter.h"

namespace {

using RecordingTarget = testsupport::RecordingLogger;

class LogWriterTest : public ::testing::Test {
protected:
    testsupport::SavedLogState saved;
    RecordingTarget target;

    void route(int32_t level) {
        mainLog.logger = &target;
        mainLog.level = level;
    }
};

TEST_F(LogWriterTest, PassesOnlyMessagesAtOrBelowTheWriterLevel) {
    struct Case {
        int32_t writerLevel, messageLevel;
        bool written;
    } cases[] = {{0, 0, true},     {0, 100, false},  {100, 100, true},  {100, 120, false},
                 {119, 120, false}, {120, 120, true}, {-1, 0, false},    {INT32_MAX, 120, true}};
    for (const Case& c : cases) {
        route(c.writerLevel);
        target.lines.clear();
        mainLog.write(c.messageLevel, "m%d", 1);
        EXPECT_EQ(target.lines.size(), c.written ? 1u : 0u)
            << "writer level " << c.writerLevel << ", message level " << c.messageLevel;
    }
    route(0);
    target.lines.clear();
    mainLog.error("e %s", "x");
    mainLog.info("i");
    ASSERT_EQ(target.lines.size(), 1u);
    EXPECT_EQ(target.lines[0].level, plat::LevelError);
    EXPECT_EQ(target.lines[0].writer, "main");
    EXPECT_EQ(target.lines[0].text, "e x");
}

TEST_F(LogWriterTest, SilentWriterDropsEverythingWithoutFormatting) {
    mainLog.logger = nullptr;
    mainLog.level = INT32_MAX;
    // A bad format argument would crash if the message were formatted.
    mainLog.error("%s", reinterpret_cast<const char*>(1));
    mainLog.info("%s", reinterpret_cast<const char*>(1));
    mainLog.write(5, "%s", reinterpret_cast<const char*>(1));
    EXPECT_TRUE(target.lines.empty());
}

TEST_F(LogWriterTest, MessagesAreCutAfter4095Characters) {
    route(100);
    std::string exact(4095, 'a');
    std::string longer(5000, 'b');
    mainLog.info("%s", exact.c_str());
    mainLog.info("%s", longer.c_str());
    ASSERT_EQ(target.lines.size(), 2u);
    EXPECT_EQ(target.lines[0].text, exact);
    EXPECT_EQ(target.lines[1].text, longer.substr(0, 4095));
}

TEST(LogWriterLists, WritersAreListedNewestFirstAndFoundIgnoringCase) {
    EXPECT_EQ(plat::LogWriter::find("MAIN"), &mainLog);
    EXPECT_EQ(plat::LogWriter::find("pdfprintfns"), &pdfPrintLog);
    EXPECT_EQ(plat::LogWriter::find("mai"), nullptr);
    testsupport::StderrCapture err;
    plat::LogWriter::listNames();
    EXPECT_EQ(err.text(),
              "  DynamicFn, Registry, PaperSizes, Printer, Config, Assertion, main, PDFPrintFns\n");
}

TEST(LogWriterLists, TargetsAreFoundOnlyOnceRegisteredAndRegisterOnce) {
    RecordingTarget unregistered;
    EXPECT_EQ(plat::Logger::find("recording"), nullptr);
    testsupport::registerProgramTargets();
    plat::Logger* headBefore = plat::Logger::head();
    testsupport::registerProgramTargets();
    EXPECT_EQ(plat::Logger::head(), headBefore);
    EXPECT_EQ(plat::Logger::find("StdErr"), &plat::stderrLogger);
    testsupport::StderrCapture err;
    plat::Logger::listNames();
    EXPECT_EQ(err.text(), "  debug\n  file\n  stdout\n  stderr\n");
}

}  // namespace
