// What the device contexts of a job share: their driver, the settings the
// next sheet takes and the sheet in progress, the job's sink from the
// start of the document to its end, and how a document is discarded. A
// sheet takes the paper the settings hold when it begins and keeps it.
#pragma once

#include <memory>
#include <string>

#include "posix/spooler/DeviceContext.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/spooler/SheetGeometry.h"

namespace posix {

class JobContext : public DeviceContext {
public:
    // The driver must outlive the context.
    JobContext(PrinterDriver& driver, const JobSettings& settings);

    bool reset(const JobSettings& settings) final;
    int abortDoc() final;
    int32_t measure(SheetMetric metric) const final;

protected:
    // Starts the driver's job under the title (UTF-8); false, with the
    // driver's error as the last error, when it cannot.
    bool openJob(const std::string& title);
    // Tells the job a sheet of the settings' paper begins, and gives the
    // sheet that paper; false when the job cannot take it, its reason the
    // last error.
    bool beginJobSheet();
    // The job cancelled, nothing of it printing: the sink is handed back
    // to be kept until whatever may still write to it is gone.
    std::unique_ptr<JobSink> cancelJob();
    // Ends the document: the job submitted when it was written whole, else
    // cancelled with the sink's own error; what endDoc returns.
    int handOver(bool written);

    virtual bool inSheet() const = 0;
    // Cancels the job and lets go of the document in progress.
    virtual void discardDocument() = 0;

    PrinterDriver& driver_;
    JobSettings settings_;          // the last settings: the job's copies, sides, tray, colour
    SheetGeometry next_;           // from the last settings, for the next sheet
    SheetGeometry sheet_;          // of the sheet in progress
    std::unique_ptr<JobSink> sink_;
    bool started_ = false;         // the document started, not yet ended
    bool failed_ = false;          // the job took no more of the document
    DWORD sinkError_ = 0;          // the error the job's sink failed with
};

}  // namespace posix
