#include "posix/spooler/JobContext.h"

namespace posix {

JobContext::JobContext(PrinterDriver& driver, const JobSettings& settings)
    : driver_(driver), settings_(settings), next_(SheetGeometry::from(driver, settings)) {}

bool JobContext::reset(const JobSettings& settings) {
    // Takes effect at the next sheet; a sheet in progress keeps its paper.
    settings_ = settings;
    next_ = SheetGeometry::from(driver_, settings);
    return true;
}

int JobContext::abortDoc() {
    if (!started_) return kSpoolerError;
    discardDocument();
    return 1;
}

int32_t JobContext::measure(SheetMetric metric) const { return (inSheet() ? sheet_ : next_).measure(metric); }

bool JobContext::openJob(const std::string& title) {
    sink_ = driver_.startJob(title, settings_);
    return sink_ != nullptr;
}

bool JobContext::beginJobSheet() {
    // A job that cannot take the sheet's paper prints nothing at all.
    if (!sink_->beginSheet(driver_.sheetPaperFor(settings_))) return false;
    sheet_ = next_;
    return true;
}

std::unique_ptr<JobSink> JobContext::cancelJob() {
    started_ = false;
    std::unique_ptr<JobSink> sink = std::move(sink_);
    if (sink) sink->cancel();
    return sink;
}

int JobContext::handOver(bool written) {
    started_ = false;
    if (handOverJob(std::move(sink_), written, sinkError_)) return 1;
    failed_ = true;
    return kSpoolerError;
}

}  // namespace posix
