// The printer of the POSIX backend: a printer driver (the file: printer,
// a CUPS destination, or one a test registered), asked directly for its
// papers, trays and jobs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "posix/spooler/PrinterDriver.h"
#include "print/Printer.h"

namespace posix::printing {

// The settings with the paper of the printer's list chosen.
JobSettings withPaper(JobSettings settings, const PrinterPaper& paper);

// A driver's job state in the job's own terms (JobStatusBit).
uint32_t jobStatusOf(JobStatus::State state);

class DriverPrinter : public Printer {
public:
    // Opens the driver; throws plat::SystemException "Unable to open
    // Printer <name>" with the driver's error when there is none.
    explicit DriverPrinter(const char* name);

    std::string name() const override { return name_; }
    // The driver's papers and trays, their names cut as a Windows driver
    // cuts them and sizes in its tenths of a millimetre.
    std::vector<PrinterPaper> papers() override;
    std::vector<PrinterTray> trays() override;
    std::optional<CustomRange> customSizes() override;
    int mostCopies() override { return driver_->maxCopies(); }
    bool printsTwoSided() override { return driver_->duplex(); }
    bool printsColour() override { return driver_->color(); }

    // The settings start as the driver's defaults (the paper it names, its
    // resolution) and are what its device contexts and jobs are given.
    void loadSettings() override;
    PaperExtent settingsPaper() const override;
    void applyControls(const JobControls& controls) override;
    void makePortrait() override;
    void selectPaper(const PrinterPaper& paper) override;
    void selectSize(PaperExtent size) override;

    // A device context that places the pages, or draws them where the
    // document is drawn whole or the printer takes raster.
    std::unique_ptr<PrintDocument> createDocument(PdfDocument& pdf, StepOutcome& outcome) override;
    // The driver's own job status: a file printer has printed every job.
    JobLook lookAtJob(uint32_t jobId, const JobLook& last) override;

    // The job's settings, as the driver's device contexts and jobs take them.
    const JobSettings& settings() const { return settings_; }

private:
    std::string name_;
    std::shared_ptr<PrinterDriver> driver_;
    JobSettings settings_;
};

}  // namespace posix::printing
