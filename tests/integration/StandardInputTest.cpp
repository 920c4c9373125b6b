// -printpdf -: the document comes on a pipe, as a program that holds it in
// memory hands it over, and is printed from memory: to file: and to a CUPS
// queue, with no file of the program's own made anywhere, and a pipe that
// brings nothing, half a document or too much refused with the reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "integration/support/Launch.h"
#include "integration/support/ProcessRunner.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

namespace fs = std::filesystem;

const std::string kMixedPdf = std::string(QUORLEX_TEST_DATA) + "/mixed.pdf";

// A run from an empty working folder with an empty temporary folder of
// its own, the document on its standard input.
struct PipedRun {
    std::string work = makeTempDir("stdin-work");
    std::string temp = makeTempDir("stdin-temp");

    RunResult operator()(const std::string& document, const std::string& printer, const std::string& title,
                         std::vector<std::string> extra = {}) const {
        std::vector<std::string> args = {"ExitCode=result"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"-printpdf", "-", printer, title});
        return run(QUORLEX_BIN, args, Launch().pipe(document).in(work).set("TMPDIR", temp));
    }
    // Nothing was made in either folder.
    void expectNoFileMade() const {
        EXPECT_TRUE(fs::is_empty(work)) << work;
        EXPECT_TRUE(fs::is_empty(temp)) << temp;
    }
};

}  // namespace

TEST(StandardInput, APipedDocumentPrintsToAFileAsTheSameDocumentNamedWould) {
    const PipedRun piped;
    const std::string out = makeTempDir("stdin-out") + "/printed.pdf";
    const RunResult result = piped(readFile(kMixedPdf), "file:" + out, "Piped", {"Render=always"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(out),
                                   {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}));
    piped.expectNoFileMade();

    // Placed, the default, as well: the landscape page turned onto A4 as
    // for the file itself.
    const RunResult placed = piped(readFile(kMixedPdf), "file:" + out, "Piped");
    ASSERT_EQ(placed.exitCode, 0) << placed.err;
    EXPECT_EQ(sandbox::pageSizes(out).size(), 4u);
    piped.expectNoFileMade();
}

TEST(StandardInput, APipedDocumentReachesTheCupsPrinterWhole) {
    QUORLEX_REQUIRE_SANDBOX();
    const PipedRun piped;
    const std::string title = sandbox::uniqueTitle("piped");
    const RunResult result = piped(readFile(kMixedPdf), sandbox::environment()->ippQueue, title);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_TRUE(sandbox::waitForPrinterJob(title).has_value());
    EXPECT_TRUE(sandbox::sameSizes(sandbox::pageSizes(sandbox::printedDocument(title)),
                                   {sandbox::kA4, sandbox::kA4, sandbox::kLetter, sandbox::kA5}));
    piped.expectNoFileMade();
}

TEST(StandardInput, NothingHalfADocumentOrTooMuchIsRefusedAndPrintsNothing) {
    const PipedRun piped;
    const std::string out = makeTempDir("stdin-refused") + "/printed.pdf";
    const std::string whole = readFile(kMixedPdf);
    const std::pair<std::string, const char*> cases[] = {
        {"", "Unable to print document: Nothing came on standard input: -printpdf - reads the PDF document "
             "from it"},
        {whole.substr(0, whole.size() / 2),
         "Unable to print document: The document on standard input ends without %%EOF: it is not a whole PDF "
         "file (was the pipe cut short?)"},
        {std::string((size_t{256} << 20) + 1, ' '),
         "Unable to print document: The document on standard input is larger than 256 MiB, the most it may be"},
    };
    for (const auto& [input, message] : cases) {
        SCOPED_TRACE(message);
        const RunResult result = piped(input, "file:" + out, "Refused");
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(holds(unwrapped(result.err), message)) << result.err;
        EXPECT_FALSE(fileExists(out));
    }
    piped.expectNoFileMade();
}

}  // namespace itest
