// Drawing in a confined helper, as a caller meets it: a helper killed from
// outside while it draws, one that crashes, one past its time or its memory
// each cost exactly the page it was drawing; the run goes on in a fresh
// helper, ends with 3 and names the lost page, and the printer gets every
// other page and nothing half-drawn. The helper has no network, no new
// privileges and no file of the program's.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <dirent.h>
#include <filesystem>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"
#include "support/Jbig2.h"
#include "support/Jpeg.h"
#include "support/PdfBuilder.h"

namespace itest {
namespace {

constexpr int kPages = 5;

// Five pages that must be drawn (each has an annotation without an
// appearance), each saying its number.
std::string pagesToDraw(const std::string& dir) {
    testpdf::PdfBuilder pdf;
    pdf.object("helv", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 1; i <= kPages; ++i) {
        testpdf::Page page{595.276, 841.89, "BT /F1 36 Tf 100 600 Td (Sheet " + std::to_string(i) + ") Tj ET\n",
                           "<< /Font << /F1 {helv} >> >>"};
        page.annotations = {"<< /Type /Annot /Subtype /Square /Rect [100 100 300 300] /F 4 /C [0 0 0] >>"};
        pdf.page(page);
    }
    const std::string path = dir + "/to-draw.pdf";
    pdf.write(path);
    return path;
}

// The text of every page the printer got, in order.
std::vector<std::string> sheetsOf(const std::string& pdf) {
    std::vector<std::string> sheets;
    const int pages = std::stoi("0" + sandbox::shell("qpdf --show-npages '" + pdf + "' 2>/dev/null").out);
    for (int n = 1; n <= pages; ++n) {
        std::string text = sandbox::shell("pdftotext -f " + std::to_string(n) + " -l " + std::to_string(n) + " '" +
                                          pdf + "' - 2>/dev/null")
                               .out;
        text.erase(text.find_last_not_of(" \n\f") + 1);
        sheets.push_back(text);
    }
    return sheets;
}

std::vector<std::string> sheetsWithout(int lost) {
    std::vector<std::string> sheets;
    for (int i = 1; i <= kPages; ++i)
        if (i != lost) sheets.push_back("Sheet " + std::to_string(i));
    return sheets;
}

std::string statField(pid_t pid, int field) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    if (end == std::string::npos) return {};
    std::string rest = stat.substr(end + 2);
    for (int i = 3; i < field && !rest.empty(); ++i) rest.erase(0, rest.find(' ') + 1);
    return rest.substr(0, rest.find(' '));
}

// The drawing helpers of the programs this test started.
std::vector<pid_t> helpersOfOurRuns() {
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    if (!proc) return found;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0) continue;
        if (readFile("/proc/" + std::to_string(pid) + "/comm") != "quorlex-drawing\n") continue;
        const pid_t program = static_cast<pid_t>(std::atoi(statField(pid, 4).c_str()));
        if (program > 0 && std::atoi(statField(program, 4).c_str()) == getpid()) found.push_back(pid);
    }
    closedir(proc);
    return found;
}

struct Printed {
    RunResult run;
    std::vector<std::string> sheets;
    std::string report;
};

Printed printWith(const std::string& doc, const std::vector<std::string>& settings,
                  const std::map<std::string, std::string>& env) {
    const std::string dir = makeTempDir("drawing-helper");
    std::vector<std::string> args{"Notice=none", "ExitCode=result", "Log=PDFPrintFns:stderr:100",
                                  "Report=" + dir + "/report.json"};
    args.insert(args.end(), settings.begin(), settings.end());
    args.insert(args.end(), {"-printpdf", doc, "file:" + dir + "/out.pdf", "helper"});
    RunOptions options;
    options.stdinMode = Stdin::Pipe;
    options.env = env;
    Printed printed;
    printed.run = runQuorlex(args, options);
    printed.sheets = sheetsOf(dir + "/out.pdf");
    printed.report = fileExists(dir + "/report.json") ? readFile(dir + "/report.json") : "";
    return printed;
}

void expectOnlyPageLost(const Printed& printed, int index, const std::string& why) {
    const RunResult& run = printed.run;
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_TRUE(holds(run.err, "Page " + std::to_string(index) + " cannot be printed: " + why)) << run.err;
    EXPECT_EQ(printed.sheets, sheetsWithout(index + 1)) << run.err;
    EXPECT_NE(printed.report.find("\"reason\":\"Page " + std::to_string(index) + " cannot be printed: " + why),
              std::string::npos)
        << printed.report;
}

}  // namespace

TEST(DrawingHelper, AHelperKilledWhileItDrawsCostsOnlyThatPageAndWasConfined) {
    const std::string doc = pagesToDraw(makeTempDir("drawing-helper-doc"));
    for (const char* render : {"Render=auto", "Render=always"}) {
        SCOPED_TRACE(render);
        // The third page takes for ever to draw, until the helper is killed.
        std::future<Printed> printing = std::async(std::launch::async, [&] {
            return printWith(doc, {render}, {{"QUORLEX_DRAWING_FAULT", "stall:2"}});
        });
        std::vector<pid_t> helpers;
        for (int tries = 0; tries < 300 && helpers.empty(); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            helpers = helpersOfOurRuns();
        }
        ASSERT_EQ(helpers.size(), 1u) << "one helper for the document";
        const std::string helper = "/proc/" + std::to_string(helpers[0]);
        // Pages 0 and 1 take well under a second each, even under the sanitizers.
        std::this_thread::sleep_for(std::chrono::seconds(3));

        EXPECT_TRUE(holds(readFile(helper + "/status"), "NoNewPrivs:\t1"));
        EXPECT_NE(std::filesystem::read_symlink(helper + "/ns/net"), std::filesystem::read_symlink("/proc/self/ns/net"))
            << "a network namespace of its own";
        // Its socket and the standard streams, and what it opened itself:
        // the document.
        std::set<std::string> fds;
        for (const auto& fd : std::filesystem::directory_iterator(helper + "/fd")) {
            const std::string name = fd.path().filename();
            if (std::atoi(name.c_str()) > 3) {
                EXPECT_EQ(std::filesystem::read_symlink(fd.path()), doc) << name;
            } else {
                fds.insert(name);
            }
        }
        EXPECT_EQ(fds, (std::set<std::string>{"0", "1", "2", "3"}));

        ASSERT_EQ(kill(helpers[0], SIGKILL), 0);
        const Printed printed = printing.get();
        expectOnlyPageLost(printed, 2, "the drawing helper ended while drawing it: signal 9 (Killed)");
        EXPECT_TRUE(helpersOfOurRuns().empty()) << "no helper outlives its run";
    }
}

TEST(DrawingHelper, AHelperThatCrashesCostsOnlyThePageItWasDrawing) {
    const std::string doc = pagesToDraw(makeTempDir("drawing-helper-doc"));
    for (const char* render : {"Render=auto", "Render=always"}) {
        SCOPED_TRACE(render);
        const Printed printed = printWith(doc, {render}, {{"QUORLEX_DRAWING_FAULT", "crash:1"}});
        expectOnlyPageLost(printed, 1, "the drawing helper ended while drawing it: signal 11 (Segmentation fault)");
        EXPECT_FALSE(holds(printed.run.err, "Sanitizer")) << "no report from the program's own process";
    }
}

TEST(DrawingHelper, APagePastItsTimeOrMemoryIsSkippedWithTheBudgetNamed) {
    const std::string doc = pagesToDraw(makeTempDir("drawing-helper-doc"));
    const auto start = std::chrono::steady_clock::now();
    const Printed stalled = printWith(doc, {"DrawingTime=2"}, {{"QUORLEX_DRAWING_FAULT", "stall:3"}});
    expectOnlyPageLost(stalled, 3, "drawing it took more than 2 s");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    const Printed spinning =
        printWith(doc, {"Render=always", "DrawingTime=2"}, {{"QUORLEX_DRAWING_FAULT", "spin:0"}});
    EXPECT_EQ(spinning.run.exitCode, 3) << spinning.run.err;
    EXPECT_TRUE(holds(spinning.run.err, "Page 0 cannot be printed: drawing it took more than 2 s")) << spinning.run.err;
    EXPECT_EQ(spinning.sheets, sheetsWithout(1));

    const Printed growing = printWith(doc, {"DrawingMemory=200"}, {{"QUORLEX_DRAWING_FAULT", "grow:4"}});
    expectOnlyPageLost(growing, 4, "drawing it needed more than 200 MiB");
}

// A page, then one whose content is in a filter placing cannot decode, so
// that it is drawn: content poppler decodes and reads as operators for
// minutes (pdftocairo too), named three times.
std::string hostileDocument(const std::string& filter, const std::string& data) {
    testpdf::PdfBuilder pdf;
    pdf.object("helv", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.page({595.276, 841.89, "BT /F1 36 Tf 100 600 Td (Sheet 1) Tj ET\n", "<< /Font << /F1 {helv} >> >>"});
    pdf.encodedStream("content", filter, data);
    testpdf::Page hostile{595.276, 841.89, ""};
    hostile.contents = "[{content} {content} {content}]";
    pdf.page(hostile);
    const std::string doc = makeTempDir("drawing-helper-doc") + "/hostile.pdf";
    pdf.write(doc);
    return doc;
}

TEST(DrawingHelper, ContentThatPopplerNeverFinishesDrawingCostsItsPageNotTheRun) {
    // A JPEG whose frame says 65500 x 65500 pixels: 4 GiB of grey read as
    // content, at little memory, for some twenty minutes.
    auto start = std::chrono::steady_clock::now();
    const Printed endless = printWith(hostileDocument("/DCTDecode", testpdf::hugeGreyJpeg()), {"DrawingTime=5"}, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(endless.run.exitCode, 3) << endless.run.err;
    EXPECT_TRUE(holds(endless.run.err, "Page 1 cannot be printed: drawing it took more than 5 s")) << endless.run.err;
    EXPECT_EQ(endless.sheets, std::vector<std::string>{"Sheet 1"});

    // A blank JBIG2 page of 2 GiB: poppler takes it all at once. Where the
    // helper's address space is limited, its allocation fails and the page
    // draws as the nothing it is; under the sanitizers, which take no such
    // limit, the memory budget stops it.
    start = std::chrono::steady_clock::now();
    const Printed huge =
        printWith(hostileDocument("/JBIG2Decode", testpdf::jbig2::blankPage(32768, 500000, false)), {"DrawingTime=20"}, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    if (huge.run.exitCode == 0) {
        EXPECT_EQ(huge.sheets, (std::vector<std::string>{"Sheet 1", ""})) << huge.run.err;
    } else {
        EXPECT_EQ(huge.run.exitCode, 3) << huge.run.err;
        EXPECT_TRUE(holds(huge.run.err, "Page 1 cannot be printed: drawing it needed more than 768 MiB") ||
                    holds(huge.run.err, "Page 1 cannot be printed: drawing it took more than 20 s"))
            << huge.run.err;
        EXPECT_EQ(huge.sheets, std::vector<std::string>{"Sheet 1"});
    }
}

TEST(DrawingHelper, ABudgetOfNoAcceptedValueFailsTheRunBeforeAnythingPrints) {
    const std::string doc = pagesToDraw(makeTempDir("drawing-helper-doc"));
    const std::string seconds = " is not accepted: use whole seconds from 1 to 86400";
    for (const std::string setting : {"DrawingTime=0", "DrawingTime=1m", "DrawingMemory=32"}) {
        const std::string accepted = setting.rfind("DrawingTime", 0) == 0 ? seconds
                                                                           : " is not accepted: use whole MiB from 64 to 1048576";
        const Printed printed = printWith(doc, {setting}, {});
        EXPECT_EQ(printed.run.exitCode, 2) << setting << "\n" << printed.run.err;
        EXPECT_NE(printed.report.find(setting + accepted), std::string::npos) << printed.report;
        EXPECT_TRUE(printed.sheets.empty()) << setting;
    }
}

}  // namespace itest
