// The run's report as JSON: whatever the names hold, the document parses,
// and each page and the job say what the run did.
#include <gtest/gtest.h>

#include <qpdf/JSON.hh>

#include <string>

#include "app/RunReport.h"

namespace {

std::string stringMember(const JSON& object, const std::string& key) {
    std::string found;
    object.forEachDictItem([&](const std::string& name, JSON value) {
        if (name == key) value.getString(found);
    });
    return found;
}

}  // namespace

TEST(RunReport, NamesWithQuotesControlsAndBytesThatAreNoUtf8StillMakeJson) {
    RunReport report;
    report.result = 3;
    const std::string document = "a \"quoted\"\\ name\n\tbroken \xC3 and \xED\xA0\x80 and \xF0\x9F\x96\xA8.pdf";
    report.document = document.c_str();
    report.title = "Rechnung März – 5 €";
    report.messages.emplace_back("PDFPrintFns", "Page 1 could not be printed: \x01");
    PageRecord page;
    page.number = 1;
    page.reason = "why";
    report.results.pages.push_back(page);

    const std::string json = reportJson(report);
    EXPECT_EQ(json.find('\n'), std::string::npos) << "one line";
    const JSON parsed = JSON::parse(json);
    EXPECT_EQ(stringMember(parsed, "document"),
              "a \"quoted\"\\ name\n\tbroken \xEF\xBF\xBD and \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD and "
              "\xF0\x9F\x96\xA8.pdf")
        << "a broken sequence and a surrogate each byte for byte, the printer emoji as it is";
    EXPECT_EQ(stringMember(parsed, "title"), "Rechnung März – 5 €");
    EXPECT_EQ(stringMember(parsed, "meaning"), "printed-with-skips");
    EXPECT_NE(json.find("\"printer\":null"), std::string::npos);
    EXPECT_NE(json.find("\"job\":null"), std::string::npos) << "no job was made";
    EXPECT_NE(json.find("{\"page\":1,\"paper\":null,\"turned\":false,\"scale\":null,\"way\":\"skipped\","
                        "\"reason\":\"why\"}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"text\":\"Page 1 could not be printed: \\u0001\""), std::string::npos) << json;
}

TEST(RunReport, AFollowedJobGivesItsEndTheStatesItShowedAndThePrintersText) {
    RunReport report;
    report.results.jobMade = true;
    report.results.jobFinished = true;
    report.results.jobId = 42;
    report.followed = true;
    report.results.jobEnd = JobEnd::StillQueued;
    report.results.lastLook = JobLook{true, kJobPaused | kJobPaperOut, "Tray 2 is empty"};
    EXPECT_NE(reportJson(report).find("\"job\":{\"id\":42,\"state\":\"still-queued\",\"reasons\":[\"held\","
                                      "\"paper out\"],\"message\":\"Tray 2 is empty\"}"),
              std::string::npos)
        << reportJson(report);
    report.results.jobFinished = false;
    EXPECT_NE(reportJson(report).find("\"state\":\"cancelled\""), std::string::npos);
}
