// The job controls and the signals for the caller, as the printer receives
// them and as a calling program sees them: IPP attributes at the sandbox's
// printer, the pages printed, settings a printer lacks refused before any
// job, the exit codes of ExitCode=result, Notice=none and the dry run's plan.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "integration/support/Launch.h"
#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"
#include "integration/support/VirtualDisplay.h"
#include "support/PdfBuilder.h"

namespace itest {
namespace {

using sandbox::PageSize;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// The DocBook-made manual that Debian's shared-mime-info ships, if installed.
std::string docBookManual() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/doc/shared-mime-info", error))
        if (entry.path().extension() == ".pdf") return entry.path().string();
    return "";
}

// The run made no job of that title at the scheduler.
void expectNoJob(const std::string& queue, const std::string& title) {
    EXPECT_FALSE(sandbox::schedulerJob(queue, title)) << title;
}

// The plan's lines of that kind, their fields split at the tabs.
std::vector<std::vector<std::string>> planLines(const std::string& out, const std::string& kind) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream text(out);
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        if (!fields.empty() && fields[0] == kind) lines.push_back(fields);
    }
    return lines;
}

RunOptions resultCodes() {
    RunOptions options = sandbox::unattended();
    options.stdinMode = Stdin::Closed;
    return options;
}

}  // namespace

TEST(JobControls, CopiesSidesTrayAndColourReachTheIppPrinterAsAttributes) {
    QUORLEX_REQUIRE_SANDBOX();
    const std::string title = sandbox::uniqueTitle("controls");
    sandbox::expectPrinted(sandbox::printPdf(
        kMixedPdf, sandbox::environment()->ippQueue, title,
        {"Copies=2", "Collate=no", "-duplex=long", "--Tray=Tray 2", "Color=mono"}));
    const std::string attributes = sandbox::jobAttributes(title);
    for (const char* line : {"IPP_COPIES=2\n", "IPP_SIDES=two-sided-long-edge\n",
                             "IPP_MEDIA_COL={media-source=tray-2}\n", "IPP_PRINT_COLOR_MODE=monochrome\n",
                             "IPP_MULTIPLE_DOCUMENT_HANDLING=separate-documents-uncollated-copies\n"})
        EXPECT_NE(attributes.find(line), std::string::npos) << line << attributes;

    // Unset, nothing of the kind is asked for: the queue's defaults apply.
    const std::string plain = sandbox::uniqueTitle("plain");
    sandbox::expectPrinted(sandbox::printPdf(kMixedPdf, sandbox::environment()->ippQueue, plain));
    const std::string defaults = sandbox::jobAttributes(plain);
    EXPECT_EQ(defaults.find("IPP_COPIES="), std::string::npos) << defaults;
    EXPECT_EQ(defaults.find("IPP_SIDES=two"), std::string::npos) << defaults;
    EXPECT_EQ(defaults.find("media-source"), std::string::npos) << defaults;
}

TEST(JobControls, PagesPrintsJustThoseAndWhatThePrinterLacksPrintsNothing) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = sandbox::uniqueTitle("pages");
    sandbox::expectPrinted(sandbox::printPdf(kMixedPdf, env->ippQueue, title, {"Pages=2-3"}));
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::printedDocument(title)),
                                   {sandbox::kA4, sandbox::kLetter}));

    const std::tuple<std::string, std::string, std::string> refused[] = {
        {env->ippQueue, "Tray=tray-9", "Tray=tray-9 is not offered by the printer: it has auto, tray-1, tray-2, manual"},
        {env->simplexQueue, "Duplex=long", "Duplex=long is not offered by the printer: it prints one-sided only"},
        {env->ippQueue, "Pages=5-", "Pages=5- selects no page: the document has 4"},
    };
    for (const auto& [queue, setting, message] : refused) {
        const std::string lacking = sandbox::uniqueTitle("lacking");
        const RunResult result =
            sandbox::printPdf(kMixedPdf, queue, lacking, {"ExitCode=result", setting}, resultCodes());
        EXPECT_EQ(result.exitCode, 2) << setting;
        EXPECT_NE(unwrapped(result.err).find("Unable to print document: " + message), std::string::npos)
            << result.err;
        expectNoJob(queue, lacking);
    }
}

TEST(JobControls, TheFilePrinterWritesTheCopiesAndSaysWhatAFileCannotDo) {
    const std::string folder = makeTempDir("copies");
    const auto copiesOf = [&](const std::vector<std::string>& settings) {
        std::vector<std::string> extra = settings;
        extra.push_back("Log=Printer:stderr:100");
        const RunResult result = sandbox::printPdf(kMixedPdf, "file:" + folder + "/out.pdf", "Copies", extra);
        sandbox::expectPrinted(result);
        return std::make_pair(sandbox::pageSizes(folder + "/out.pdf"), unwrapped(result.err));
    };
    const PageSize a4 = sandbox::kA4, letter = sandbox::kLetter, a5 = sandbox::kA5;
    EXPECT_TRUE(sandbox::sameSizes(copiesOf({"Copies=2"}).first, {a4, a4, letter, a5, a4, a4, letter, a5}));
    EXPECT_TRUE(sandbox::sameSizes(copiesOf({"Copies=2", "Collate=no"}).first,
                                   {a4, a4, a4, a4, letter, letter, a5, a5}));
    // Drawn pages are copied as well.
    EXPECT_TRUE(sandbox::sameSizes(copiesOf({"Copies=2", "Render=always"}).first,
                                   {a4, a4, letter, a5, a4, a4, letter, a5}));
    const std::string log = copiesOf({"Duplex=short", "Color=mono", "Tray=auto"}).second;
    for (const char* said : {"a PDF file has no sides", "a PDF file keeps its colours", "a PDF file has no trays"})
        EXPECT_NE(log.find(said), std::string::npos) << log;
}

TEST(JobControls, ExitCodeResultTellsEachOutcome) {
    const std::string folder = makeTempDir("outcomes");
    const auto exitCode = [&](const std::string& pdf, const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"ExitCode=result"};
        args.insert(args.end(), extra.begin(), extra.end());
        return sandbox::printPdf(pdf, "file:" + folder + "/out.pdf", "Outcome", args, resultCodes()).exitCode;
    };
    // A document one page of which cannot be read by anyone: its page tree
    // counts three pages and holds two, and its cross-reference is off.
    testpdf::PdfBuilder builder;
    builder.page({});
    builder.page({});
    builder.write(folder + "/short.pdf");
    std::string bytes = readFile(folder + "/short.pdf");
    bytes.replace(bytes.find("/Count 2"), 8, "/Count 3");
    bytes.replace(bytes.rfind("startxref\n") + 10, 1, "9");
    std::ofstream(folder + "/damaged.pdf", std::ios::binary) << bytes;

    EXPECT_EQ(exitCode(kMixedPdf, {}), 0);
    EXPECT_EQ(exitCode(folder + "/missing.pdf", {}), 1);
    EXPECT_EQ(exitCode(kMixedPdf, {"Copies=many"}), 2);
    EXPECT_EQ(exitCode(folder + "/damaged.pdf", {}), 3);
    EXPECT_EQ(runQuorlex({"ExitCode=result"}, resultCodes()).exitCode, 2) << "no -printpdf";
    EXPECT_EQ(runQuorlex({"ExitCode=result", "-printpdf", "a.pdf"}, resultCodes()).exitCode, 2) << "usage";
    // Unset, the exit code is 1 whatever happened.
    EXPECT_EQ(sandbox::printPdf(kMixedPdf, "file:" + folder + "/out.pdf", "Outcome", {}, resultCodes()).exitCode, 1);
}

TEST(JobControls, NoticeNoneEndsAFailedRunAtOnceOnADesktop) {
    if (findProgram("Xvfb").empty() || findProgram("xmessage").empty()) GTEST_SKIP() << "needs Xvfb and xmessage";
    VirtualDisplay display;
    ASSERT_TRUE(display.running());
    const auto started = std::chrono::steady_clock::now();
    const RunResult r = run(QUORLEX_BIN, {"Notice=none", "-printpdf", "missing.pdf", "file:/tmp/x.pdf", "T"},
                            Launch().set("DISPLAY", display.name()).timeout(20));
    EXPECT_FALSE(r.timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_NE(r.err.find("Unable to print document: Unable to load PDF document: 2"), std::string::npos) << r.err;
}

TEST(JobControls, DryRunWritesThePlanAndNoJobReachesThePrinter) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = sandbox::uniqueTitle("dry run");
    const RunResult result = sandbox::printPdf(kMixedPdf, env->ippQueue, title, {"DryRun=yes", "Pages=2-4"});
    sandbox::expectPrinted(result);
    const auto papers = planLines(result.out, "paper");
    EXPECT_NE(std::find(papers.begin(), papers.end(),
                        std::vector<std::string>{"paper", "A4", "210.0", "297.0", "4.0", "6.0", "4.0", "6.0"}),
              papers.end()) << result.out;
    EXPECT_EQ(planLines(result.out, "tray").size(), 4u) << result.out;
    EXPECT_EQ(planLines(result.out, "page"),
              (std::vector<std::vector<std::string>>{
                  {"page", "2", "297.0", "210.0", "A4", "turned", "100.0", "100.0", "placed"},
                  {"page", "3", "215.9", "279.4", "Letter", "upright", "100.0", "100.0", "placed"},
                  {"page", "4", "148.0", "210.0", "A5", "upright", "100.0", "100.0", "placed"}}));
    expectNoJob(env->ippQueue, title);
}

TEST(JobControls, PagesNoPaperFitsStayUndistortedOnAnA4Printer) {
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    // A 16:9 slide beside the DocBook manual's 609.7 x 789 pt pages.
    const std::string slide = makeTempDir("slide") + "/slide.pdf";
    sandbox::writePdf(slide, {{960, 540}}, sandbox::PageContent::Frame);
    std::vector<std::pair<std::string, std::string>> documents = {{slide, "turned"}};
    if (const std::string manual = docBookManual(); !manual.empty()) documents.emplace_back(manual, "upright");

    for (const auto& [pdf, turn] : documents) {
        const RunResult plan = sandbox::printPdf(pdf, env->ippQueue, "plan", {"DryRun=yes"});
        const auto pages = planLines(plan.out, "page");
        ASSERT_FALSE(pages.empty()) << plan.out;
        for (const auto& page : pages) {
            ASSERT_EQ(page.size(), 9u);
            EXPECT_EQ(page[4], "none") << pdf;
            EXPECT_EQ(page[5], turn) << pdf;
            EXPECT_EQ(page[6], page[7]) << pdf << ": scaled alike across and down";
            EXPECT_LT(std::stod(page[6]), 100.0) << pdf;
        }
        const std::string title = sandbox::uniqueTitle("undistorted");
        sandbox::expectPrinted(sandbox::printPdf(pdf, env->ippQueue, title));
        const auto sheets = sandbox::pageSizes(sandbox::printedDocument(title));
        EXPECT_TRUE(sandbox::sameSizes(sheets, std::vector<PageSize>(pages.size(), sandbox::kA4)));
    }
}

}  // namespace itest
