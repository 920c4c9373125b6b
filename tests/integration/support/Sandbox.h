// The private print system of scripts/print-sandbox as the integration tests
// see it: the scheduler's queues, the IPP printer behind them and the
// documents it kept, and PDF files made and inspected for the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "integration/support/ProcessRunner.h"
#include "integration/support/SkipUnless.h"

namespace itest::sandbox {

// What `scripts/print-sandbox env` exported, or null when it did not run:
// the fixtures of scripts/print-sandbox.d/fixtures.txt, read by their names.
struct Environment {
    std::string folder;       // QUORLEX_SANDBOX_DIR
    std::string server;       // CUPS_SERVER: the scheduler's socket
    std::string ippQueue;     // driverless queue for the IPP printer
    std::string ppdQueue;     // the same printer through a packaged PPD
    std::string simplexQueue; // the same printer through that PPD without two-sided printing
    std::string ippAttributes;  // where the printer records each job's IPP attributes
    std::string ippSpool;     // where the printer keeps documents
    std::string ippUri;       // the printer itself
    std::string genericPdfQueue;   // a socket printer through the Generic PDF Printer PPD
    std::string genericPdfSpool;   // where it keeps each connection's bytes
    std::string hpPdfQueue;        // a socket printer through an HP PDF PPD with trays
    std::string hpPdfSpool;
    std::string abortingQueue;     // fails every job; the job is aborted
    std::string stoppingQueue;     // fails every job; the queue stops and keeps it
    std::string ippBUri;           // printer B: A4, Letter and A5 only
    std::string ippBSpool;
    std::string oldPrinterUri;     // printer B as one that knows Print-Job only
    std::string rasterUri;         // a printer that takes PWG raster, no PDF (300 dpi, backs flipped)
    std::string rasterSpool;       // the raster it kept
    std::string rasterAttributes;  // the attributes of each of its jobs
    std::string jpegUri;           // a printer that takes JPEG alone
    // LPrint's Zebra label printer (raster only, 4 x 6 in labels on a roll),
    // by its URI and through a driverless queue; the ZPL it sent. Empty
    // when the sandbox has none (not root, no lprint).
    std::string lprintUri;
    std::string lprintQueue;
    std::string lprintSpool;
    // The driver matrix: the queues quorlex-NAME, each behind a socket
    // printer of its own (socket-NAME/), the raster handed to their drivers
    // kept in driver-input/quorlex-NAME/.
    std::vector<std::string> driverQueues;
    std::string className;         // a class of a queue to printer A and one to printer B
    std::vector<std::string> classMembers;
    // A print server on a loopback TCP port that asks for a password before
    // it takes a job (empty when the sandbox could not make one: not root).
    std::string authServer;        // 127.0.0.1:PORT
    std::string authQueue;         // its queue, to printer A
    std::string authUser;          // the local user it knows, and the password
    std::string authPassword;
};
const Environment* environment();
// Each variable environment() reads, in the order of fixtures.txt: whether
// it holds a list (names apart by spaces) and what env holds for it (a
// list joined by spaces).
struct FixtureField {
    std::string variable;
    bool list = false;
    std::string value;
};
std::vector<FixtureField> fixtureFields(const Environment& env);

// Skips the test when the sandbox has not been started.
#define QUORLEX_REQUIRE_SANDBOX()                                                       \
    QUORLEX_SKIP_UNLESS(::itest::sandbox::environment(),                                \
                        "print sandbox not running: run `scripts/print-sandbox start` " \
                        "and eval \"$(scripts/print-sandbox env)\" (scripts/test does)")

// Runs a shell command line with the test's environment.
RunResult shell(const std::string& commandLine, int timeoutSeconds = 60);
// Runs scripts/print-sandbox with the argument; true when it succeeded.
bool control(const std::string& command);

// ------------------------------------------------------------ running quorlex

// A job name no earlier run has used.
std::string uniqueTitle(const std::string& what);
// Options for a run nobody watches: no dialog to wait for.
RunOptions unattended();
// quorlex -printpdf pdf printer title, then the extra arguments.
RunResult printPdf(const std::string& pdf, const std::string& printer, const std::string& title,
                   const std::vector<std::string>& extra = {},
                   const RunOptions& options = unattended());
// A program running in the background, with standard input /dev/null and
// both output streams going to a file. It is started without any other
// thread forking at the same time, so it holds no other run's pipes.
class BackgroundRun {
public:
    BackgroundRun(const std::string& program, const std::vector<std::string>& args,
                  const std::string& outputFile);
    ~BackgroundRun();   // kills the program if it still runs

    int pid() const { return pid_; }
    // Waits for the end (killing the program after the timeout); err holds
    // what it wrote.
    RunResult wait(int timeoutSeconds = 120);

private:
    int pid_ = -1;
    std::string outputFile_;
};

// The run reported no failure (its exit code is 1 on every path).
void expectPrinted(const RunResult& result);

// ------------------------------------------------------------ the printer

enum class JobState { Pending = 3, Held = 4, Processing = 5, Stopped = 6, Canceled = 7,
                      Aborted = 8, Completed = 9, Unknown = 0 };

struct Job {
    int id = 0;
    std::string name;
    JobState state = JobState::Unknown;
};

// The jobs the IPP printer (A, or the one at the URI) has finished (it
// forgets them after a minute).
std::vector<Job> finishedPrinterJobs();
std::vector<Job> finishedPrinterJobs(const std::string& printerUri);
// Waits until the printer (A, or the one at the URI) has finished a job of
// that name.
std::optional<Job> waitForPrinterJob(const std::string& name, int timeoutSeconds = 60,
                                     const std::string& printerUri = "");
// The one document the printer kept for the job of that title once it
// finished; empty, with a test failure, when there is none.
std::string printedDocument(const std::string& title);
// The IPP attributes the printer recorded for the job of that title once it
// finished ("IPP_COPIES=2" lines); empty when there are none.
std::string jobAttributes(const std::string& title);
// The documents the printer kept for one of its jobs.
std::vector<std::string> documentsOf(const Job& job);
// Every document the printer kept, and how many there are.
std::vector<std::string> allDocuments();

// What a socket printer received for the job of that title (its job
// control names the job), once the connection ended; empty, with a test
// failure, when nothing came.
std::string socketPrinterReceived(const std::string& spool, const std::string& title,
                                  int timeoutSeconds = 60);
// The PDF inside what a printer received (between its job control), as a
// file to inspect.
std::string pdfWithin(const std::string& received);

// ------------------------------------------------------------ the scheduler

// Every job the scheduler holds for the queue, finished or not.
std::vector<Job> schedulerJobs(const std::string& queue);
// The ids of the queue's jobs.
std::vector<int> schedulerJobIds(const std::string& queue);
// Waits until the scheduler holds a job of that name for the queue. A job
// not among the known ones whose name the scheduler leaves out (it does,
// now and then, for a job being received) counts as that job.
std::optional<Job> waitForSchedulerJob(const std::string& queue, const std::string& name,
                                       const std::vector<int>& known, int timeoutSeconds);
// The scheduler's job of that name, if it holds one.
std::optional<Job> schedulerJob(const std::string& queue, const std::string& name);
// The scheduler's job of that id, if it holds one.
std::optional<Job> schedulerJobById(const std::string& queue, int id);
// Cancels one job of the queue by id.
void cancelSchedulerJob(const std::string& queue, int id);

// ------------------------------------------------------------ PDF files

struct PageSize {
    double width = 0;     // points
    double height = 0;
};
inline constexpr PageSize kA4{595.276, 841.89};
inline constexpr PageSize kA4Landscape{841.89, 595.276};
inline constexpr PageSize kLetter{612, 792};
inline constexpr PageSize kA5{419.528, 595.276};

// Page sizes as pdfinfo reports them (the page's box, turned by its /Rotate).
std::vector<PageSize> pageSizes(const std::string& pdf);

// The sizes agree page for page within the tolerance (points).
::testing::AssertionResult sameSizes(const std::vector<PageSize>& actual,
                                     const std::vector<PageSize>& expected,
                                     double tolerance = 1.5);

enum class PageContent {
    Label,      // a page number in the middle
    Frame,      // a black band 8 points wide along every edge
    Heavy,      // thousands of strokes: slow to draw and large to send
    Colour,     // a red square beside the page number
};

// Writes a PDF with one page of each size.
void writePdf(const std::string& path, const std::vector<PageSize>& pages, PageContent content);

// A page rendered to 8-bit grey (0 black, 255 white).
struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
// Renders page (from 1) at the resolution with pdftoppm; empty on failure.
GrayImage renderPage(const std::string& pdf, int page, int dpi);

// The mean difference of two renderings, 0 to 255: what separates a page
// from its copy beyond the noise of scaling it to the paper is well above 3.
// The target may be the source turned a quarter counter-clockwise (its top
// to the left), then shifted by up to 4 pixels. 255 when the sizes differ by
// more than a pixel.
double meanDifference(const GrayImage& source, const GrayImage& target, bool turned = false);

}  // namespace itest::sandbox
