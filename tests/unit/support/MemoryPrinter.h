// A printer driver for unit tests of the POSIX printing layer: papers,
// margins and resolution as the test sets them, and a job that keeps the
// PDF it receives in memory. Also small helpers to look at that PDF.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "posix/spooler/PrinterDriver.h"

namespace testing_support {

// What happened to the jobs of one MemoryPrinter, shared with the test.
struct MemoryJobLog {
    int jobsStarted = 0;
    std::string title;           // of the last job
    std::string bytes;           // everything written to the last job
    size_t writes = 0;
    bool finished = false;
    bool cancelled = false;
    size_t failWritesAfter = SIZE_MAX;   // bytes accepted before writes fail
    bool failFinish = false;
    bool failStart = false;
};

class MemoryPrinter : public posix::PrinterDriver {
public:
    MemoryPrinter(std::string name, std::shared_ptr<MemoryJobLog> log);

    std::string name() const override { return name_; }
    const std::vector<posix::Paper>& papers() const override { return papers_; }
    posix::PrinterDefaults defaults() const override { return defaults_; }
    std::unique_ptr<posix::JobSink> startJob(const std::string& title, const posix::JobSettings& settings) override;

    std::vector<posix::Paper> papers_;
    posix::PrinterDefaults defaults_;

private:
    std::string name_;
    std::shared_ptr<MemoryJobLog> log_;
};

// Papers A4 (9), Letter (1) and A5 (11); A4 is the default, 300 dpi.
std::vector<posix::Paper> standardPapers(int margin = 0);

// Registers "mem:" names for the life of the object: every driver opened
// gets the papers, margins and defaults below and writes into log.
class MemoryPrinterRegistration {
public:
    explicit MemoryPrinterRegistration(std::string prefix = "mem:");
    ~MemoryPrinterRegistration();

    std::shared_ptr<MemoryJobLog> log = std::make_shared<MemoryJobLog>();
    std::vector<posix::Paper> papers = standardPapers();
    posix::PrinterDefaults defaults{0, posix::Orientation::Portrait, 300, 300};

private:
    std::string prefix_;
};

// A PDF as poppler reads it back.
struct PdfPage {
    double width = 0;    // points
    double height = 0;
};
// The page sizes of a PDF held in memory; empty with ok false when poppler
// cannot read it.
std::vector<PdfPage> pageSizes(const std::string& pdf, bool* ok = nullptr);

// How dark (0 white .. 1 black) the page is around a point given in
// millimetres from its top-left corner, rendered at 2 pixels per mm.
double darknessAt(const std::string& pdf, int pageIndex, double xMm, double yMm);

// True when some page of the PDF holds an image (the output was rasterised).
bool containsImages(const std::string& pdf);

std::string readWholeFile(const std::string& path);

// A fresh folder under /tmp, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string path(const std::string& name = "") const;
    size_t entries() const;
    bool empty() const { return entries() == 0; }

private:
    std::string path_;
};

}  // namespace testing_support
