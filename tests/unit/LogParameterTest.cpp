// The Log value re-routes every writer: reset first, elements left to right,
// stop at the first bad element, complaints straight to standard error.
#include <gtest/gtest.h>

#include <string>

#include "app/JobSettings.h"
#include "plat/DynamicFn.h"
#include "plat/LogParameter.h"
#include "print/PrintLogs.h"
#include "support/LogTestSupport.h"

namespace {

using plat::configLog;
using plat::dynamicFnLog;

class LogParameterTest : public ::testing::Test {
protected:
    testsupport::SavedLogState saved;
    void SetUp() override { testsupport::registerProgramTargets(); }
};

struct Route {
    plat::Logger* target;
    int32_t level;
    bool operator==(const Route&) const = default;
};
Route routeOf(const plat::LogWriter& w) { return {w.logger, w.level}; }
std::ostream& operator<<(std::ostream& out, const Route& r) {
    return out << (r.target ? r.target->name : "none") << ":" << r.level;
}

TEST_F(LogParameterTest, ValuesRouteWritersAndReportBadElements) {
    plat::Logger* err = &plat::stderrLogger;
    plat::Logger* file = &plat::fileLogger;
    plat::Logger* debug = &plat::debugLogger;
    const Route none{nullptr, 0};
    struct Case {
        const char* value;
        std::string complaint;
        Route main, config, dynamicFn;
    } cases[] = {
        {"*:stderr:0", "", {err, 0}, {err, 0}, {err, 0}},
        {"*:stderr:100,DynamicFn:debug:120", "", {err, 100}, {err, 100}, {debug, 120}},
        {"MAIN:FILE:100", "", {file, 100}, none, none},
        {"main:stderr", "failed to parse log param element:main:stderr\n", none, none, none},
        {"main:nowhere:100,Config:stderr:7", "No logger found: 'nowhere'\n",
         {nullptr, 100}, {err, 7}, none},
        {"nobody:stderr:0,main:stderr:100", "No logwriter found: 'nobody'\n", none, none, none},
        {"main:stderr:0, Config:stderr:100", "No logwriter found: ' Config'\n", {err, 0}, none,
         none},
        {"main:stderr:-1", "", {err, -1}, none, none},
        {"main:stderr:100:junk", "", {err, 100}, none, none},
        {"main:stderr: +42x", "", {err, 42}, none, none},
        {"main:stderr:99999999999", "", {err, INT32_MAX}, none, none},
        {"main::100", "", {nullptr, 100}, none, none},
        {"*:nowhere:5", "No logger found: 'nowhere'\n", {nullptr, 5}, {nullptr, 5}, {nullptr, 5}},
        {"", "failed to parse log param element:\n", none, none, none},
        {"main:stderr:100,", "failed to parse log param element:\n", {err, 100}, none, none},
    };
    for (const Case& c : cases) {
        applyLogElement("*::0");   // Config silent, so only complaints reach stderr
        testsupport::StderrCapture capture;
        logParameter.setParam(c.value);
        EXPECT_EQ(capture.text(), c.complaint) << c.value;
        EXPECT_EQ(routeOf(mainLog), c.main) << c.value;
        EXPECT_EQ(routeOf(configLog), c.config) << c.value;
        EXPECT_EQ(routeOf(dynamicFnLog), c.dynamicFn) << c.value;
    }
}

TEST_F(LogParameterTest, NewValueReplacesTheWholeRoutingAfterLoggingTheChange) {
    logParameter.setParam("*:stderr:100");
    testsupport::StderrCapture capture;
    logParameter.setParam("main:file:100");
    // Config still had its old route while the change itself was logged.
    EXPECT_NE(capture.text().find(" Config:      set Log(String) to main:file:100\n"),
              std::string::npos);
    EXPECT_EQ(configLog.logger, nullptr);
    EXPECT_EQ(pdfPrintLog.logger, nullptr);
    EXPECT_EQ(mainLog.logger, &plat::fileLogger);
}

TEST_F(LogParameterTest, StartUpRoutingSendsOnlyErrorsToStandardError) {
    logParameter.setParam("*:stderr:0");
    testsupport::StderrCapture capture;
    mainLog.info("progress");
    mainLog.error("Unable to print document: %s", "broken");
    std::string text = capture.text();
    EXPECT_NE(text.find(" main:        Unable to print document: broken\n"), std::string::npos);
    EXPECT_EQ(text.find("progress"), std::string::npos);
}

}  // namespace
