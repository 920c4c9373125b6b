// The real program printing to the built-in file: printer: every page on
// its own paper and the right way up, scaled on request, and failures that
// say why and leave no file behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace fs = std::filesystem;
using namespace itest;
using sandbox::PageSize;

namespace {

std::string sample(const std::string& name) { return std::string(QUORLEX_TEST_DATA) + "/" + name; }

constexpr int kDpi = 20;

// Ink around a point given in millimetres from the page's top-left corner.
bool inkAt(const sandbox::GrayImage& image, double xMm, double yMm) {
    const int cx = static_cast<int>(xMm * kDpi / 25.4), cy = static_cast<int>(yMm * kDpi / 25.4);
    int sum = 0, count = 0;
    for (int y = cy - 1; y <= cy + 1; ++y)
        for (int x = cx - 1; x <= cx + 1; ++x)
            if (x >= 0 && y >= 0 && x < image.width && y < image.height) sum += image.at(x, y), ++count;
    return count > 0 && sum / count < 128;
}

// Where the black corner square of the sample pages lands on a sheet.
enum class Corner { TopLeft, BottomLeft };

void expectSquareAt(const std::string& pdf, int page, const PageSize& sheet, Corner corner) {
    const sandbox::GrayImage image = sandbox::renderPage(pdf, page, kDpi);
    ASSERT_GT(image.width, 0) << "page " << page;
    const double w = sheet.width * 25.4 / 72, h = sheet.height * 25.4 / 72;
    const double y = corner == Corner::TopLeft ? 20 : h - 20;
    EXPECT_TRUE(inkAt(image, 20, y)) << "page " << page << ": square expected there";
    EXPECT_FALSE(inkAt(image, 20, corner == Corner::TopLeft ? h - 20 : 20)) << "page " << page;
    EXPECT_FALSE(inkAt(image, w - 20, 20)) << "page " << page;
    EXPECT_FALSE(inkAt(image, w - 20, h - 20)) << "page " << page;
}

class FilePrintTest : public ::testing::Test {
protected:
    std::string folder_ = makeTempDir("file-print");
    std::string out_ = folder_ + "/out.pdf";

    RunResult print(const std::string& pdf, const std::vector<std::string>& extra = {},
                    const std::string& printer = "") {
        return sandbox::printPdf(pdf, printer.empty() ? "file:" + out_ : printer, "Quorlex file test",
                                 extra);
    }
    bool folderEmpty() const { return fs::is_empty(folder_); }
};

}  // namespace

// ------------------------------------------------------------------ papers

TEST_F(FilePrintTest, MixedDocumentLandsPageByPageOnItsOwnPortraitPaper) {
    const RunResult result = print(sample("mixed.pdf"));
    sandbox::expectPrinted(result);
    ASSERT_TRUE(fileExists(out_)) << result.err;
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out_),
                                   {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}, 0.5));
    expectSquareAt(out_, 1, sandbox::kA4, Corner::TopLeft);
    // The landscape page is turned onto the portrait sheet: its top goes to
    // the left side, so its top-left corner comes to the bottom left.
    expectSquareAt(out_, 2, sandbox::kA4, Corner::BottomLeft);
    expectSquareAt(out_, 3, sandbox::kLetter, Corner::TopLeft);
    expectSquareAt(out_, 4, sandbox::kA5, Corner::TopLeft);
    EXPECT_EQ(fs::directory_iterator(folder_)->path(), fs::path(out_)) << "and nothing else";
}

TEST_F(FilePrintTest, APageNoPaperMatchesKeepsThePreviousPaper) {
    sandbox::expectPrinted(print(sample("odd-size.pdf")));
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out_),
                                   {sandbox::kA4, sandbox::kA4, sandbox::kA4}, 0.5));
}

TEST_F(FilePrintTest, PaperPutsAPageNoPaperMatchesOnTheSmallestThatHoldsItItsOwnSizeOrTheOneNamed) {
    constexpr double kMm = 72 / 25.4;
    const PageSize square{100 * kMm, 100 * kMm}, a6{105 * kMm, 148 * kMm};
    sandbox::expectPrinted(print(sample("odd-size.pdf"), {"Paper=smallest"}));
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out_), {sandbox::kA4, a6, sandbox::kA4}, 0.5));
    sandbox::expectPrinted(print(sample("odd-size.pdf"), {"Paper=exact"}));
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out_), {sandbox::kA4, square, sandbox::kA4}, 0.5));
    // Every page on A5: the A4 pages shrunk to fit it.
    sandbox::expectPrinted(print(sample("odd-size.pdf"), {"Paper=a5"}));
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out_), {sandbox::kA5, sandbox::kA5, sandbox::kA5}, 0.5));
    const RunResult unknown = print(sample("odd-size.pdf"), {"Paper=6x4", "ExitCode=result"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(holds(unknown.err, "Paper=6x4 is not offered by the printer: it has A0, ")) << unknown.err;
}

TEST_F(FilePrintTest, ScaleStretchesEveryPageOverThePrintableArea) {
    sandbox::expectPrinted(print(sample("odd-size.pdf"), {"-scale"}));
    ASSERT_TRUE(fileExists(out_));
    // The 100 x 100 mm page fits no paper, so by its shape it is turned (its
    // top to the left) and stretched over the whole A4 sheet: its 10-30 mm
    // square spans 21-63 mm across and 208-267 mm down.
    const sandbox::GrayImage image = sandbox::renderPage(out_, 2, kDpi);
    ASSERT_GT(image.width, 0);
    EXPECT_TRUE(inkAt(image, 40, 237));
    EXPECT_TRUE(inkAt(image, 23, 237));
    EXPECT_FALSE(inkAt(image, 18, 237));
    EXPECT_TRUE(inkAt(image, 61, 212));
    EXPECT_FALSE(inkAt(image, 66, 237));
    EXPECT_FALSE(inkAt(image, 40, 204));
    EXPECT_FALSE(inkAt(image, 40, 272));
}

TEST_F(FilePrintTest, ADocumentWithoutPagesGivesAnEmptyDocumentNotABlankSheet) {
    sandbox::expectPrinted(print(sample("empty.pdf")));
    ASSERT_TRUE(fileExists(out_));
    const RunResult pages = sandbox::shell("qpdf --show-npages '" + out_ + "'");
    EXPECT_EQ(pages.out, "0\n") << pages.err;
}

TEST_F(FilePrintTest, TheTitleNamesTheDocument) {
    const RunResult result = sandbox::printPdf(sample("mixed.pdf"), "file:" + out_,
                                               "Rapport trimestriel \xc3\xa9t\xc3\xa9 \xe2\x82\xac");
    sandbox::expectPrinted(result);
    const RunResult info = sandbox::shell("pdfinfo '" + out_ + "'");
    EXPECT_NE(info.out.find("Title:           Rapport trimestriel \xc3\xa9t\xc3\xa9 \xe2\x82\xac"),
              std::string::npos) << info.out;
}

TEST_F(FilePrintTest, AnEarlierFileIsReplacedOnSuccessAndKeptOnFailure) {
    std::ofstream(out_) << "an earlier print";
    print(sample("not-a-pdf.pdf"));
    EXPECT_EQ(readFile(out_), "an earlier print");
    sandbox::expectPrinted(print(sample("mixed.pdf")));
    EXPECT_EQ(sandbox::pageSizes(out_).size(), 4u);
}

// ---------------------------------------------------------------- failures

TEST_F(FilePrintTest, DocumentsThatCannotBeLoadedSayWhyAndWriteNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {sample("no-such-file.pdf"), "Unable to load PDF document: 2"},
        {sample("not-a-pdf.pdf"), "Unable to load PDF document: 3"},
        {sample("truncated.pdf"), "Unable to load PDF document: 3"},
        {sample("encrypted.pdf"), "Unable to load PDF document: 4"},
    };
    for (const auto& [pdf, message] : cases) {
        const RunResult result = print(pdf);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(unwrapped(result.err).find("Unable to print document: " + message),
                  std::string::npos)
            << pdf << "\n" << result.err;
        EXPECT_TRUE(folderEmpty()) << pdf;
    }
}

TEST_F(FilePrintTest, PrintersThatCannotBeOpenedSayWhyAndWriteNothing) {
    RunOptions options = sandbox::unattended();
    options.env["CUPS_SERVER"] = folder_ + "/no-scheduler.sock";
    const std::string unknown = "quorlex-no-such-printer";
    RunResult result = sandbox::printPdf(sample("mixed.pdf"), unknown, "T", {}, options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(unwrapped(result.err).find("Unable to open Printer " + unknown + ": "),
              std::string::npos) << result.err;

    const std::string missingFolder = "file:" + folder_ + "/missing/out.pdf";
    result = sandbox::printPdf(sample("mixed.pdf"), missingFolder, "T");
    EXPECT_NE(unwrapped(result.err)
                  .find("Unable to open Printer " + missingFolder + ": No such file or directory"),
              std::string::npos) << result.err;
    EXPECT_TRUE(folderEmpty());
}

// ------------------------------------------------------------ ended runs

namespace {

// A run whose log goes to a pipe nobody reads: once the pipe is full the run
// waits in the middle of its job, for as long as the test likes.
class StalledRun {
public:
    explicit StalledRun(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pipeEnd_ = fds[0];
        std::vector<std::string> all{QUORLEX_BIN};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&files, fds[1], 1);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&files, fds[0]);
        // The ending signals act as they do by default, whatever this test
        // process inherited.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGHUP, SIGINT, SIGTERM, SIGPIPE}) sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
        if (posix_spawn(&pid_, all[0].c_str(), &files, &attributes, argv.data(), environ) != 0) pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&files);
        close(fds[1]);
    }
    ~StalledRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (pipeEnd_ >= 0) close(pipeEnd_);
    }

    bool started() const { return pid_ > 0; }
    // Sends the signal and waits: the signal that ended the run, or 0.
    int endWith(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

private:
    pid_t pid_ = -1;
    int pipeEnd_ = -1;
};

// The file of the unfinished job beside out, once there is one.
bool waitForPartialFile(const std::string& folder) {
    for (int tries = 0; tries < 600; ++tries) {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().starts_with("out.pdf.partial-")) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

TEST_F(FilePrintTest, ARunEndedBySignalLeavesNoPartialFileAndKeepsTheEarlierOne) {
    // Long enough that its page lines fill the pipe many times over.
    const std::string document = folder_ + "/many-pages.pdf";
    sandbox::writePdf(document, std::vector<PageSize>(600, sandbox::kA4), sandbox::PageContent::Label);
    std::ofstream(out_) << "an earlier print";
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
        StalledRun run({"Log=*:stdout:100", "-printpdf", document, "file:" + out_, "Ended"});
        ASSERT_TRUE(run.started());
        ASSERT_TRUE(waitForPartialFile(folder_)) << "the job never started";
        EXPECT_EQ(run.endWith(signal), signal) << "ended by the signal it was sent";
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(folder_)) left.push_back(entry.path().filename());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"many-pages.pdf", "out.pdf"})) << strsignal(signal);
        EXPECT_EQ(readFile(out_), "an earlier print") << strsignal(signal);
    }
}
