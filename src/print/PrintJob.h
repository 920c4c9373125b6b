// Prints one PDF file to one printer: every page on the printer paper that
// matches its size, upright or turned, at true size or scaled.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/PaperSizes.h"
#include "plat/Exception.h"
#include "plat/Strings.h"
#include "print/JobFollower.h"
#include "print/JobOptions.h"
#include "print/PageLayout.h"
#include "print/PaperChoice.h"
#include "print/PdfSource.h"
#include "print/Printer.h"

// The printer took the job, but it ended there without printing (aborted
// or cancelled): the run failed, and says why.
struct JobNotPrinted : plat::Exception {
    explicit JobNotPrinted(const char* text) : plat::Exception(text) {}
};

// One selected page as the run printed it (or, in a dry run, would).
struct PageRecord {
    int number = 0;                // from 1
    std::string paper;             // the paper's name, "custom", or empty for none chosen
    bool turned = false;
    double scaleAcross = 0.0;      // percent
    double scaleDown = 0.0;
    const char* way = "skipped";   // "placed", "drawn" or "skipped"
    std::string reason;            // why it was drawn or skipped
};

// What print() did: pages printed and pages that could not be, each
// selected page in order, the job the printer took and how following it
// ended (options.waitSeconds) with the printer's last word on it.
struct PrintResults {
    int32_t printedPages = 0;
    int32_t skippedPages = 0;
    std::vector<PageRecord> pages;
    bool jobMade = false;          // the printer took a job (not in a dry run)
    bool jobFinished = false;      // and it was handed over whole, not cancelled
    uint32_t jobId = 0;
    JobEnd jobEnd = JobEnd::Printed;
    std::optional<JobLook> lastLook;
};

class PrintJob {
public:
    // What the run asks: the job controls (none set leaves the job as it
    // always was) and, set before print(), a stream to write the plan to,
    // making every choice and creating no job.
    JobOptions options;
    FILE* planOnly = nullptr;
    // Set before print(): the whole document, read from standard input,
    // printed from memory in place of the file print() names.
    std::shared_ptr<const std::string> documentInMemory;

    PrintResults results;

    // The paper of the page in progress, as choosePaper leaves it for
    // laying the page out: its size in points, the turn of the page (0
    // upright, 3 a quarter turn counter-clockwise), whether it is the
    // page's own size; the resolution read per page when not scaling.
    double paperWidth = 0.0;
    double paperHeight = 0.0;
    int32_t rotation = 0;
    bool paperFound = false;
    Scaling scaling = Scaling::Auto;       // set by print() from the options and -scale
    int32_t horizontalResolution = 0;
    int32_t verticalResolution = 0;

    // What it prints with: the printer's papers, the open printer and the
    // document being printed on it (made and ended inside print()).
    PaperSizeTable paperSizes;
    std::unique_ptr<Printer> printer;
    std::unique_ptr<PrintDocument> document;

    explicit PrintJob(const char* printerName);
    ~PrintJob() = default;
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Prints the file (UTF-8 name) as one job under the title; scale
    // stretches each page over the printable area. Throws a plat::Exception
    // on failure, after cancelling the job. With options.waitSeconds,
    // follows the job until it is on paper: a job that ends without
    // printing throws JobNotPrinted, one still queued when the time is up
    // sets results.jobEnd.
    void print(const char* pdfFileName, const char* title, bool scale);

    // Switches the printer settings and the document to the paper of the
    // page's size (points) when the printer has one, and decides the rotation.
    void choosePaper(double pageWidth, double pageHeight);

private:
    plat::NarrowChars printerName_;        // UTF-8, the job's own copy
    // The last page's paper: its place in the table (-1 for a size of its
    // own) and whether the Paper rule took it rather than its size found
    // it; the paper Paper names; the sizes the printer takes besides its
    // papers, for Paper=exact.
    int32_t paperIndex_ = -1;
    bool paperTaken_ = false;
    int32_t namedPaper_ = -1;
    std::optional<CustomRange> customRange_;
    // The spooler step that failed a page, and how.
    std::optional<StepFailure> pageFailure_;

    // How a page ended: on its sheet, skipped with its reason, or failed
    // by the printer, which ends the job.
    enum class PageEnd { Printed, Skipped, Failed };

    // The steps of print().
    void openPrinter(PdfDocument& pdf);
    void createDocument(PdfDocument& pdf);
    void printPages(PdfDocument& pdf);
    // The selected page, its record begun; null, the record saying why and
    // the page counted skipped, when it cannot be loaded.
    std::unique_ptr<PdfPage> loadRecordedPage(PdfDocument& pdf, int index);
    PageEnd printPage(PdfPage& page, PageRecord& record);
    // The paper the page in progress is on, as the plan and the record name it.
    std::string paperOfPage() const;
    void finishJob();
    void writePlan(PdfDocument& pdf);
    void writePaperLines(FILE* out);

    void switchToPaper(int32_t index);
    void switchToSize(PaperExtent size);
    int32_t rotationByRatio(int32_t pageWidthTenths, int32_t pageHeightTenths) const;
    int32_t rotationForUnmatched(double pageWidth, double pageHeight, int32_t width, int32_t height) const;
    // Paper: the named paper found in the table (or the run refused), the
    // printer's own sizes read; and the choice for a page by the rule.
    void settlePaperRule();
    bool choosePaperByRule(double pageWidth, double pageHeight, int32_t width, int32_t height);
    bool takeNamedPaper(double pageWidth, double pageHeight, int32_t width, int32_t height);
};
