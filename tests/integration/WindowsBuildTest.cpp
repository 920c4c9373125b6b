// The Windows build under Wine: the same texts as the Linux build, printing
// through Wine's spooler and GDI into the sandbox's CUPS scheduler, the
// failure notice as a real message box, and a clear failure without the
// PDF engine.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <thread>

#include "integration/support/DriverMatrix.h"
#include "integration/support/DriverTexts.h"
#include "integration/support/Launch.h"
#include "integration/support/Sandbox.h"
#include "integration/support/VirtualDisplay.h"
#include "integration/support/WineRunner.h"

namespace itest {
namespace {

using namespace std::chrono_literals;
using sandbox::PageSize;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// The "Size (x, y)" lines of a run's log: the rectangle each page is drawn
// into, in device pixels of the chosen paper.
std::vector<std::string> drawingSizes(const std::string& log) {
    static const std::regex size(R"(Size \((\d+), (\d+)\))");
    std::vector<std::string> sizes;
    for (std::sregex_iterator it(log.begin(), log.end(), size), end; it != end; ++it)
        sizes.push_back(it->str());
    return sizes;
}

// The box around everything drawn on a page's sheet, in points: the size
// of the drawing of a page.
struct InkBox {
    int left = -1, top = -1, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
InkBox inkBox(const std::string& pdf, int page) {
    const sandbox::GrayImage image = sandbox::renderPage(pdf, page, 72);
    InkBox box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.at(x, y) < 128) {
                if (box.left < 0 || x < box.left) box.left = x;
                if (box.top < 0) box.top = y;
                box.right = std::max(box.right, x);
                box.bottom = y;
            }
    return box;
}

}  // namespace

TEST(WindowsBuild, BannerUsageAndConsoleTextsAreThoseOfTheLinuxBuildAndAnOpenPipeHoldsNothing) {
    QUORLEX_REQUIRE_WINE();
    // The banner comes from the program's own version resource; on Windows
    // the standard streams are in text mode, so lines end in "\r\n".
    // A pipe the caller never closes gets the same prompts, and no run
    // waits on it for a key.
    const std::vector<std::vector<std::string>> commandLines = {
        {}, {"-help"}, {"-console"}, {"-console", "-console"}};
    for (const auto& args : commandLines)
    for (const Launch& launch : {Launch().pipe("\n\n"), Launch().heldPipe().timeout(60)}) {
        const RunResult windows = wine::runQuorlex(args, launch);
        const RunResult linux = runQuorlex(args, launch);
        const std::string shown = (args.empty() ? "(none)" : args.front()) +
                                  (launch.stdinMode == Stdin::HeldPipe ? " (pipe held open)" : "");
        EXPECT_FALSE(windows.timedOut) << shown;
        EXPECT_EQ(windows.exitCode, 1) << shown;
        EXPECT_NE(windows.out.find("\r\n"), std::string::npos) << shown;
        EXPECT_EQ(wine::unixLines(windows.out), linux.out) << shown;
        EXPECT_TRUE(wine::unixLines(windows.out).starts_with(kBanner)) << shown;
        // The log's time stamp differs between the runs; the rest may not.
        const auto withoutStamp = [](const std::string& err) {
            return std::regex_replace(err, std::regex(R"(\n\w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4}\n)"),
                                      "\n<stamp>\n");
        };
        EXPECT_EQ(withoutStamp(wine::unixLines(windows.err)), withoutStamp(linux.err)) << shown;
    }
}

TEST(WindowsBuild, MixedDocumentBecomesOneJobWithEveryPageDrawnOnItsOwnPaper) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string title = sandbox::uniqueTitle("wine mixed");
    // The stand-in engine notes how it is asked to draw each page.
    const std::string renders = makeTempDir("wine-renders") + "/renders.txt";
    RunOptions options = sandbox::unattended();
    options.env["QUORLEX_STANDIN_RENDERS"] = wine::windowsPath(renders);
    const RunResult windows =
        wine::runQuorlex({"Log=PDFPrintFns:stderr:100", "-printpdf", wine::windowsPath(kMixedPdf),
                          env->ippQueue, title},
                         options);
    sandbox::expectPrinted(windows);
    // With the annotations, as for printing (FPDF_ANNOT | FPDF_PRINTING): a
    // filled form prints its values on Windows as on Linux.
    EXPECT_EQ(readFile(renders),
              "page 1 flags 0x801\npage 2 flags 0x801\npage 3 flags 0x801\npage 4 flags 0x801\n");
    const std::string document = sandbox::printedDocument(title);
    ASSERT_FALSE(document.empty());
    int jobsOfTitle = 0;
    for (const auto& job : sandbox::finishedPrinterJobs()) jobsOfTitle += job.name == title;
    EXPECT_EQ(jobsOfTitle, 1);

    // Through Wine's GDI each page is drawn into the rectangle of the paper
    // the program chose for it, exactly as the Linux build draws it.
    const RunResult linux = sandbox::printPdf(kMixedPdf, env->ippQueue,
                                              sandbox::uniqueTitle("linux mixed"),
                                              {"Log=PDFPrintFns:stderr:100"});
    sandbox::expectPrinted(linux);
    const std::vector<std::string> sizes = drawingSizes(windows.err);
    EXPECT_EQ(sizes, (std::vector<std::string>{"Size (4960, 7015)", "Size (4960, 7015)",
                                               "Size (5100, 6600)", "Size (3496, 4960)"}))
        << windows.err;
    EXPECT_EQ(sizes, drawingSizes(linux.err));

    // What reached the printer: four pages. Wine 8 (Debian 12) announces
    // only the first page's paper, so the sheets all have that size, each
    // page drawn at the size of the paper chosen for it (the stand-in
    // engine frames the rectangle it is given): A4 the whole sheet, US
    // Letter 792 points high, A5 420 x 595. Wine 10 (Debian 13) asks for
    // each sheet's own paper in its PostScript, and the scheduler's filters
    // then fit every page onto the job's one paper, as they do for any
    // document but the program's own vnd.cups-pdf: the drawings' sizes do
    // not show at this printer (bench/other-release.sh shows the PostScript).
    ASSERT_EQ(sandbox::pageSizes(document).size(), 4u);
    if (wine::majorVersion() < 10) {
        const InkBox a4 = inkBox(document, 1), letter = inkBox(document, 3), a5 = inkBox(document, 4);
        EXPECT_GE(a4.height(), 820);
        EXPECT_NEAR(letter.height(), 792, 4);
        EXPECT_NEAR(a5.height(), 595, 4);
        EXPECT_NEAR(a5.width(), 420, 4);
    }
}

TEST(WindowsBuild, CopiesDuplexAndWaitWorkThroughWinesSpooler) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    const std::string title = sandbox::uniqueTitle("wine controls");
    // Wine's spooler hands the job to CUPS and forgets it: followed, the job
    // has left the queue without an error, which is printed.
    const RunResult result = wine::runQuorlex(
        {"Copies=2", "Duplex=long", "Wait=60", "ExitCode=result", "Log=Printer:stderr:100", "-printpdf",
         wine::windowsPath(kMixedPdf), sandbox::environment()->ippQueue, title},
        sandbox::unattended());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("no longer in the queue"), std::string::npos) << result.err;
    const std::string attributes = sandbox::jobAttributes(title);
    EXPECT_NE(attributes.find("IPP_COPIES=2\n"), std::string::npos) << attributes;
    EXPECT_NE(attributes.find("IPP_SIDES=two-sided-long-edge\n"), std::string::npos) << attributes;
}

TEST(WindowsBuild, PaperChoosesForAPageOfNoPapersSizeByTheDriversOwnNamesAndExtents) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    QUORLEX_DRIVER_QUEUE(zebra, "zebra");
    // A 100 x 150 mm parcel label on a Zebra queue: Wine's driver names the
    // papers after the PPD's texts and answers DC_MINEXTENT/DC_MAXEXTENT
    // from its custom size.
    const std::string label = makeTempDir("wine-paper") + "/parcel.pdf";
    constexpr double kMm = 72 / 25.4;
    sandbox::writePdf(label, {{100 * kMm, 150 * kMm}}, sandbox::PageContent::Frame);
    struct Case {
        std::string paper;  // the Paper value, or empty
        std::string plan;   // the page's line of the plan from its paper on
    };
    const Case cases[] = {
        {"", "none\tupright\t84.6\t84.7"},
        {"smallest", "4.00x6.00\"\tupright\t100.0\t100.0"},
        {"exact", "custom\tupright\t100.0\t100.0"},
        {"4.00X6.00\"", "4.00x6.00\"\tupright\t100.0\t100.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Paper=" + c.paper);
        std::vector<std::string> args = {"DryRun=yes", "ExitCode=result"};
        if (!c.paper.empty()) args.push_back("Paper=" + c.paper);
        args.insert(args.end(), {"-printpdf", wine::windowsPath(label), zebra.queue, "wine paper"});
        const RunResult r = wine::runQuorlex(args, sandbox::unattended());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(wine::unixLines(r.out).find("page\t1\t100.0\t150.0\t" + c.plan + "\tdrawn\n"),
                  std::string::npos)
            << r.out;
    }
    // A name the driver does not have ends the run, nothing printed.
    const RunResult unknown = wine::runQuorlex(
        {"Paper=6x4", "-printpdf", wine::windowsPath(label), zebra.queue, "wine paper"}, sandbox::unattended());
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unwrapped(wine::unixLines(unknown.err)).find("Paper=6x4 is not offered by the printer: it has A4, A5,"), std::string::npos)
        << unknown.err;
}

TEST(WindowsBuild, ADocumentThatForbidsPrintingIsRefusedBeforeAnyJobLowQualityPrints) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string data = std::string(QUORLEX_TEST_DATA) + "/";
    const std::string refusedTitle = sandbox::uniqueTitle("wine print forbidden");
    const RunResult refused = wine::runQuorlex(
        {"-printpdf", wine::windowsPath(data + "print-forbidden.pdf"), env->ippQueue, refusedTitle},
        sandbox::unattended());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Unable to print document: the document does not allow printing"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(sandbox::schedulerJob(env->ippQueue, refusedTitle).has_value());

    const std::string lowTitle = sandbox::uniqueTitle("wine print low quality");
    sandbox::expectPrinted(wine::runQuorlex(
        {"-printpdf", wine::windowsPath(data + "print-low-quality.pdf"), env->ippQueue, lowTitle},
        sandbox::unattended()));
    EXPECT_EQ(sandbox::pageSizes(sandbox::printedDocument(lowTitle)).size(), 4u);
}

TEST(WindowsBuild, UnknownPrinterFailsWithTheSpoolersReason) {
    QUORLEX_REQUIRE_WINE();
    const RunResult r = wine::runQuorlex(
        {"-printpdf", wine::windowsPath(kMixedPdf), "no-such-printer", "Never printed"},
        sandbox::unattended());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Unable to print document: Unable to open Printer no-such-printer:"),
              std::string::npos)
        << r.err;
}

TEST(WindowsBuild, WithoutThePdfEngineBesideItTheRunFailsNamingTheFile) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    const auto* env = sandbox::environment();
    const std::string alone = makeTempDir("exe-alone") + "/quorlex.exe";
    std::filesystem::copy_file(wine::setup()->program, alone);
    const std::string title = sandbox::uniqueTitle("no engine");
    const RunResult r = wine::run(alone, {"-printpdf", wine::windowsPath(kMixedPdf), env->ippQueue, title},
                                  sandbox::unattended());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Unable to print document: "), std::string::npos) << r.err;
    // Both names the engine may have.
    const std::string failure = unwrapped(wine::unixLines(r.err));
    EXPECT_NE(failure.find("fpdfview.dll or "), std::string::npos) << r.err;
    EXPECT_NE(failure.find("pdfium.dll: "), std::string::npos) << r.err;
    // The engine is readied before the printer is touched: no job at all.
    EXPECT_FALSE(sandbox::schedulerJob(env->ippQueue, title).has_value());
}

TEST(WindowsBuild, PdfiumDllBesideTheProgramIsItsEngineWhereThereIsNoFpdfviewDll) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    const std::string folder = makeTempDir("exe-pdfium");
    std::filesystem::copy_file(wine::setup()->program, folder + "/quorlex.exe");
    std::filesystem::copy_file(wine::setup()->buildFolder + "/fpdfview.dll", folder + "/pdfium.dll");
    const std::string title = sandbox::uniqueTitle("pdfium engine");
    sandbox::expectPrinted(wine::run(folder + "/quorlex.exe",
                                     {"-printpdf", wine::windowsPath(kMixedPdf), sandbox::environment()->ippQueue,
                                      title},
                                     sandbox::unattended()));
    EXPECT_EQ(sandbox::pageSizes(sandbox::printedDocument(title)).size(), 4u);
}

TEST(WindowsBuild, ADocumentPipedToStandardInputPrintsFromMemoryAsItsFileDoes) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    // A real pipe, closed after the last byte, into a program of the GUI
    // subsystem: its standard input is the pipe's handle, not a console.
    const std::string title = sandbox::uniqueTitle("wine from memory");
    const RunResult r = wine::runPiped(wine::setup()->program,
                                       {"Log=PDFPrintFns:stderr:100", "-printpdf", "-",
                                        sandbox::environment()->ippQueue, title},
                                       readFile(kMixedPdf), sandbox::unattended());
    sandbox::expectPrinted(r);
    EXPECT_EQ(drawingSizes(r.err), (std::vector<std::string>{"Size (4960, 7015)", "Size (4960, 7015)",
                                                            "Size (5100, 6600)", "Size (3496, 4960)"}))
        << r.err;
    EXPECT_EQ(sandbox::pageSizes(sandbox::printedDocument(title)).size(), 4u);

    // A pipe cut short is refused before any job.
    const std::string cutTitle = sandbox::uniqueTitle("wine cut short");
    const std::string whole = readFile(kMixedPdf);
    const RunResult cut = wine::runPiped(wine::setup()->program,
                                         {"-printpdf", "-", sandbox::environment()->ippQueue, cutTitle},
                                         whole.substr(0, whole.size() / 2), sandbox::unattended());
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(unwrapped(wine::unixLines(cut.err)).find("ends without %%EOF"), std::string::npos) << cut.err;
    EXPECT_FALSE(sandbox::schedulerJob(sandbox::environment()->ippQueue, cutTitle).has_value());
}

TEST(WindowsBuild, NamesBeyondAsciiReachTheFileTheLogTheReportAndTheJobAtThePrinter) {
    QUORLEX_REQUIRE_WINE();
    QUORLEX_REQUIRE_SANDBOX();
    // Cyrillic, CJK and emoji (beyond the BMP: surrogate pairs in UTF-16).
    // Wine's spooler hands CUPS the job's name in as many bytes as the
    // title has UTF-16 units and a few more, cutting a longer UTF-8 name
    // (a real spooler keeps it): the title keeps within that.
    const std::string words = "Ж 請";
    const std::string folder = makeTempDir("wine-unicode") + "/Отчёт 報告 \xF0\x9F\x93\x81";
    std::filesystem::create_directory(folder);
    const std::string document = folder + "/документ 文書 \xF0\x9F\x98\x80.pdf";
    std::filesystem::copy_file(kMixedPdf, document);
    const std::string log = folder + "/журнал 日志 \xF0\x9F\x93\x93.log";
    const std::string report = folder + "/отчёт 報告.json";
    const std::string title = sandbox::uniqueTitle(words);
    const RunResult r = wine::runQuorlex({"Log=*:file:100", "LogFile=" + wine::windowsPath(log),
                                          "Report=" + wine::windowsPath(report), "-printpdf",
                                          wine::windowsPath(document), sandbox::environment()->ippQueue, title},
                                         sandbox::unattended());
    sandbox::expectPrinted(r);
    // The job's name at the printer is the title as given.
    EXPECT_EQ(sandbox::pageSizes(sandbox::printedDocument(title)).size(), 4u);
    bool named = false;
    for (const auto& job : sandbox::finishedPrinterJobs()) named = named || job.name == title;
    EXPECT_TRUE(named) << title;
    // The log went to the file of that name, and the report names all three.
    ASSERT_TRUE(std::filesystem::exists(log)) << r.err;
    EXPECT_NE(readFile(log).find("Printing Page 3"), std::string::npos) << readFile(log);
    const std::string json = readFile(report);
    EXPECT_NE(json.find("\"title\":\"" + title + "\""), std::string::npos) << json;
    EXPECT_NE(json.find("документ 文書 \xF0\x9F\x98\x80.pdf"), std::string::npos) << json;

    // A printer of such a name is named as given when it is not there.
    const std::string printer = "Принтер 打印机 \xF0\x9F\x96\xA8";
    const RunResult unknown = wine::runQuorlex({"-printpdf", wine::windowsPath(document), printer, title},
                                               sandbox::unattended());
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unwrapped(wine::unixLines(unknown.err)).find("Unable to open Printer " + printer + ":"),
              std::string::npos)
        << unknown.err;
}

TEST(WindowsBuild, NoticeIsAMessageBoxThatHoldsTheRunUntilClosed) {
    QUORLEX_REQUIRE_WINE();
    if (findProgram("Xvfb").empty() || findProgram("xdotool").empty())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    VirtualDisplay display;
    ASSERT_TRUE(display.running());
    auto onDisplay = [&](const std::vector<std::string>& args) {
        return run("/usr/bin/env", args, Launch().devNull().set("DISPLAY", display.name()));
    };

    ASSERT_TRUE(wine::waitForNoDesktop()) << "Wine's desktop of an earlier run does not end";
    Launch launch = Launch().set("DISPLAY", display.name()).timeout(120);
    launch.unsetEnv = {"WAYLAND_DISPLAY"};
    auto pending = std::async(std::launch::async, [&] { return wine::runQuorlex({}, launch); });
    std::string window;
    for (int i = 0; i < 600 && window.empty(); ++i) {
        if (pending.wait_for(100ms) == std::future_status::ready) break;
        const RunResult found = onDisplay({"xdotool", "search", "--name", "^Quorlex: Error: $"});
        window = found.out.substr(0, found.out.find('\n'));
    }
    if (window.empty()) {
        const bool ended = pending.wait_for(60s) == std::future_status::ready;
        FAIL() << "no message box appeared; "
               << (ended ? [&] { RunResult r = pending.get(); return "the run ended (" + std::to_string(r.exitCode) + "): " + r.out + r.err; }() : std::string("the run hangs"));
    }
    EXPECT_EQ(pending.wait_for(1s), std::future_status::timeout) << "the run did not wait";

    onDisplay({"xdotool", "windowfocus", "--sync", window, "key", "Return"});
    ASSERT_EQ(pending.wait_for(60s), std::future_status::ready) << "the box did not close";
    const RunResult r = pending.get();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Unable to print document: No PDF file specified"), std::string::npos) << r.err;
}

}  // namespace itest
