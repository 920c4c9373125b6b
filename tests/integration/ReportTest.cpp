// Report=PATH and Report=-: the run's outcome as JSON, as a caller reads it,
// on every way a run ends, and checked against what the printer got.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <qpdf/JSON.hh>

#include <algorithm>
#include <string>
#include <vector>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// The member of a JSON object, or JSON null.
JSON member(const JSON& object, const std::string& key) {
    JSON found = JSON::makeNull();
    object.forEachDictItem([&](const std::string& name, JSON value) {
        if (name == key) found = value;
    });
    return found;
}

std::string text(const JSON& value) {
    std::string out;
    EXPECT_TRUE(value.getString(out)) << value.unparse();
    return out;
}

std::string numberText(const JSON& value) {
    std::string out;
    EXPECT_TRUE(value.getNumber(out)) << value.unparse();
    return out;
}

std::vector<JSON> items(const JSON& array) {
    std::vector<JSON> all;
    EXPECT_TRUE(array.forEachArrayItem([&](JSON item) { all.push_back(item); })) << array.unparse();
    return all;
}

// The one line of standard output that is a JSON document.
std::string reportLine(const std::string& out) {
    std::string found;
    size_t start = 0;
    while (start < out.size()) {
        const size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.front() == '{') {
            EXPECT_TRUE(found.empty()) << "more than one report in\n" << out;
            found = line;
        }
        start = end == std::string::npos ? out.size() : end + 1;
    }
    return found;
}

// "writer: text" of every message the report lists.
std::vector<std::string> messagesOf(const JSON& report) {
    std::vector<std::string> all;
    for (const JSON& message : items(member(report, "messages")))
        all.push_back(text(member(message, "writer")) + ": " + text(member(message, "text")));
    return all;
}

}  // namespace

TEST(Report, AFileNamesTheJobAndThePagesThePrinterGot) {
    QUORLEX_REQUIRE_SANDBOX();
    const std::string title = sandbox::uniqueTitle("reported");
    const std::string path = makeTempDir("report") + "/outcome.json";
    const RunResult run = sandbox::printPdf(kMixedPdf, sandbox::environment()->ippQueue, title,
                                            {"ExitCode=result", "Wait=60", "Report=" + path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "readable by its user alone";
    EXPECT_EQ(reportLine(run.out), "") << "a file report leaves standard output as it was";

    const JSON report = JSON::parse(readFile(path));
    EXPECT_EQ(numberText(member(report, "version")), "1");
    EXPECT_EQ(numberText(member(report, "result")), "0");
    EXPECT_EQ(text(member(report, "meaning")), "printed");
    EXPECT_EQ(text(member(report, "document")), kMixedPdf);
    EXPECT_EQ(text(member(report, "title")), title);

    // The job the scheduler holds under the title, followed to paper.
    const JSON job = member(report, "job");
    const auto held = sandbox::schedulerJob(sandbox::environment()->ippQueue, title);
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(numberText(member(job, "id")), std::to_string(held->id));
    EXPECT_EQ(text(member(job, "state")), "printed");

    // Each page on the paper the printer received it on.
    const std::vector<sandbox::PageSize> printed = sandbox::pageSizes(sandbox::printedDocument(title));
    const std::vector<JSON> pages = items(member(report, "pages"));
    ASSERT_EQ(pages.size(), printed.size());
    const char* const papers[] = {"A4", "A4", "Letter", "A5"};
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(numberText(member(pages[i], "page")), std::to_string(i + 1));
        EXPECT_EQ(text(member(pages[i], "paper")), papers[i]);
        EXPECT_EQ(text(member(pages[i], "way")), "placed");
        bool turned = false;
        EXPECT_TRUE(member(pages[i], "turned").getBool(turned));
        EXPECT_EQ(turned, i == 1);
        EXPECT_EQ(numberText(member(member(pages[i], "scale"), "across")), "100.0");
    }
    EXPECT_TRUE(messagesOf(report).empty());
}

TEST(Report, EveryWayARunEndsGivesOneLineOfJsonOnStandardOutput) {
    const std::string folder = makeTempDir("report-lines");
    struct Case {
        std::vector<std::string> args;
        const char* result;
        const char* meaning;
        const char* message;   // among the level-0 lines, with its writer
    };
    const Case cases[] = {
        {{"Copies=0", "-printpdf", kMixedPdf, "file:" + folder + "/a.pdf", "T"}, "2", "bad-request",
         "main: Unable to print document: Copies=0 is not accepted: use a number from 1 to 999"},
        {{"-printpdf", std::string(QUORLEX_TEST_DATA) + "/not-a-pdf.pdf", "file:" + folder + "/b.pdf", "T"}, "1",
         "failed", "main: Unable to print document: Unable to load PDF document: 3"},
        {{"-printpdf", kMixedPdf}, "2", "bad-request", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meaning);
        std::vector<std::string> args = {"ExitCode=fixed", "Report=-"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult run = itest::run(QUORLEX_BIN, args, sandbox::unattended());
        const std::string line = reportLine(run.out);
        ASSERT_FALSE(line.empty()) << run.out;
        const JSON report = JSON::parse(line);
        EXPECT_EQ(numberText(member(report, "result")), c.result) << "whatever ExitCode says";
        EXPECT_EQ(text(member(report, "meaning")), c.meaning);
        EXPECT_TRUE(member(report, "job").isNull()) << "no job was made";
        EXPECT_TRUE(items(member(report, "pages")).empty());
        if (*c.message) {
            const std::vector<std::string> messages = messagesOf(report);
            EXPECT_NE(std::find(messages.begin(), messages.end(), c.message), messages.end()) << line;
        }
    }
}

TEST(Report, APageThatCannotBePrintedIsNamedSkippedWithItsReason) {
    const std::string folder = makeTempDir("report-skip");
    // A4, then a page a twentieth of a point wide: less than a pixel.
    sandbox::writePdf(folder + "/thin.pdf", {sandbox::kA4, {0.05, 841.89}}, sandbox::PageContent::Frame);
    const RunResult run = itest::run(
        QUORLEX_BIN, {"ExitCode=result", "Report=-", "-printpdf", folder + "/thin.pdf", "file:" + folder + "/o.pdf", "T"},
        sandbox::unattended());
    EXPECT_EQ(run.exitCode, 3) << run.err;
    const JSON report = JSON::parse(reportLine(run.out));
    EXPECT_EQ(text(member(report, "meaning")), "printed-with-skips");
    EXPECT_EQ(text(member(member(report, "job"), "state")), "submitted");
    const std::vector<JSON> pages = items(member(report, "pages"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(text(member(pages[0], "way")), "placed");
    EXPECT_EQ(text(member(pages[1], "way")), "skipped");
    EXPECT_EQ(text(member(pages[1], "reason")),
              "Page 1 could not be printed: it is smaller than a pixel at the printer's resolution");
    EXPECT_EQ(sandbox::pageSizes(folder + "/o.pdf").size(), 1u);
}

}  // namespace itest
