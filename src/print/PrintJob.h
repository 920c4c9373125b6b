// Prints one PDF file to one printer: every page on the printer paper that
// matches its size, upright or turned, at true size or scaled.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "os/PaperSizes.h"
#include "plat/Strings.h"
#include "plat/WinApi.h"
#include "plat/Exception.h"
#include "print/FpdfView.h"
#include "print/JobFollower.h"
#include "print/JobOptions.h"
#include "print/PageLayout.h"
#include "print/PaperChoice.h"
#include "print/PrinterHandle.h"

// The spooler took the job, but it ended at the printer without printing
// (aborted or cancelled there): the run failed, and says why.
struct JobNotPrinted : plat::Exception {
    explicit JobNotPrinted(const char* text) : plat::Exception(text) {}
};

class PrintJob {
public:
    double paperWidth = 0.0;               // points, the paper the device context is set for
    double paperHeight = 0.0;
    int32_t horizontalResolution = 0;      // LOGPIXELSX, read per page when not scaling
    int32_t verticalResolution = 0;        // LOGPIXELSY
    int32_t rotation = 0;                  // 0 upright, 3 a quarter turn counter-clockwise
    PaperSizeTable paperSizes;
    PrinterHandle printerHandle;
    plat::NarrowChars printerName;         // UTF-8, the job's own copy
    PRINTER_INFO_2W* printerInfo = nullptr;   // borrowed from printerHandle
    DEVMODEW* printerSettings = nullptr;      // printerInfo->pDevMode, edited in place
    HDC deviceContext = nullptr;

    // The job controls; none set leaves the job as it always was.
    JobOptions options;
    Scaling scaling = Scaling::Auto;       // set by print() from the options and -scale
    bool paperFound = false;               // the last page found a paper of its size
    int32_t paperIndex = -1;               // that paper's place in the table, -1 for a size of its own
    // Paper: the last page's paper was taken by the rule, not found by its
    // size; the paper Paper names (its place in the table); the sizes the
    // printer takes besides its papers, for Paper=exact.
    bool paperTaken = false;
    int32_t namedPaper = -1;
    std::optional<CustomRange> customRange;
    // Set before print(): make every choice, write the plan to this stream
    // and create no job.
    FILE* planOnly = nullptr;
    // What print() did: pages printed, and pages that could not be loaded.
    int32_t printedPages = 0;
    int32_t skippedPages = 0;
    // The spooler call that failed a page, and its error.
    const char* pageFailure = nullptr;
    DWORD pageError = 0;
    // The spooler's job, and how following it ended (options.waitSeconds).
    DWORD jobId = 0;
    JobEnd jobEnd = JobEnd::Printed;

    explicit PrintJob(const char* printerName);
    ~PrintJob() = default;
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Prints the file (UTF-8 name) as one spooler document under the title;
    // scale stretches each page over the printable area. Throws a
    // plat::Exception on failure, after cancelling the spooler document.
    // With options.waitSeconds, follows the job until it is on paper: a job
    // that ends without printing throws JobNotPrinted, one still queued
    // when the time is up sets jobEnd.
    void print(const char* pdfFileName, const char* title, bool scale);

    // Switches the printer settings and device context to the paper of the
    // page's size (points) when the printer has one, and decides the rotation.
    void choosePaper(double pageWidth, double pageHeight);

    // The default settings in the printer's record; throws plat::Exception
    // when the record carries none, as there is nothing to print with then.
    static DEVMODEW* defaultSettingsOf(const PRINTER_INFO_2W& info, const char* printerName);

private:
    // The steps of print().
    void openPrinter(FPDF_DOCUMENT document);
    void createDeviceContext();
    // False when the spooler failed the page: the job cannot go on.
    bool printPage(FPDF_PAGE page);
    void writePlan(FPDF_DOCUMENT document);

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
