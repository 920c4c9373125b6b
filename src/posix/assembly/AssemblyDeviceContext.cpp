#include "posix/assembly/AssemblyDeviceContext.h"

#include <qpdf/Pipeline.hh>

#include <exception>
#include <stdexcept>
#include <utility>

#include "posix/LastError.h"
#include "posix/Utf.h"
#include "posix/assembly/PdfAssembly.h"
#include "posix/assembly/Placement.h"

namespace posix::assembly {

namespace {

constexpr int kSpoolerError = -1;

// The end of the writer's pipeline: the job's sink. A sink that fails stops
// the writing at once, with the sink's error kept.
class SinkPipeline : public Pipeline {
public:
    explicit SinkPipeline(JobSink& sink) : Pipeline("print job", nullptr), sink_(sink) {}

    void write(unsigned char const* data, size_t length) override {
        if (failed_ || !sink_.write(data, length)) {
            if (!failed_) error_ = GetLastError();
            failed_ = true;
            throw std::runtime_error("the print job took no more data");
        }
    }
    void finish() override {}

    bool failed() const { return failed_; }
    DWORD error() const { return error_; }

private:
    JobSink& sink_;
    bool failed_ = false;
    DWORD error_ = 0;
};

}  // namespace

AssemblyDeviceContext::AssemblyDeviceContext(PrinterDriver& driver, const DEVMODEW& settings)
    : driver_(driver), next_(SheetGeometry::from(driver, settings)) {}

AssemblyDeviceContext::~AssemblyDeviceContext() {
    if (started_) discardDocument();
}

bool AssemblyDeviceContext::reset(const DEVMODEW& settings) {
    // Takes effect at the next StartPage; a sheet in progress keeps its paper.
    next_ = SheetGeometry::from(driver_, settings);
    return true;
}

int AssemblyDeviceContext::startDoc(const std::u16string& title) {
    if (started_) return kSpoolerError;
    const std::string utf8Title = toUtf8(title);
    sink_ = driver_.startJob(utf8Title);
    if (!sink_) return kSpoolerError;
    assembly_ = std::make_unique<PdfAssembly>(utf8Title);
    started_ = true;
    return 1;
}

int AssemblyDeviceContext::startPage() {
    if (!started_ || inPage_) return kSpoolerError;
    sheet_ = next_;
    assembly_->beginSheet(sheet_.widthPoints, sheet_.heightPoints);
    inPage_ = true;
    return 1;
}

int AssemblyDeviceContext::endPage() {
    if (!inPage_) return kSpoolerError;
    assembly_->endSheet();
    inPage_ = false;
    return 1;
}

bool AssemblyDeviceContext::placePage(const SourcePage& page, const TargetRect& target,
                                      int rotate) {
    if (!inPage_ || target.width <= 0 || target.height <= 0) return false;
    if (page.displayed.width() <= 0 || page.displayed.height() <= 0) return false;
    assembly_->place(page, pageToSheet(page.displayed, target, rotate, sheet_),
                     printableArea(sheet_));
    return true;
}

int AssemblyDeviceContext::endDoc() {
    if (!started_) return kSpoolerError;
    started_ = false;
    inPage_ = false;
    std::unique_ptr<JobSink> sink = std::move(sink_);
    std::unique_ptr<PdfAssembly> assembly = std::move(assembly_);

    SinkPipeline pipeline(*sink);
    try {
        assembly->write(pipeline);
    } catch (const std::exception& failure) {
        const DWORD sinkError = pipeline.error();
        sink->cancel();
        // The sink's own readable text when it failed, else what the writer met.
        if (pipeline.failed()) {
            if (sinkError && GetLastError() != sinkError) SetLastError(sinkError);
        } else {
            setLastErrorText(ERROR_INVALID_DATA,
                             std::string("Unable to write the document: ") + failure.what());
        }
        return kSpoolerError;
    }
    if (!sink->finish()) {
        sink->cancel();
        return kSpoolerError;
    }
    return 1;
}

int AssemblyDeviceContext::abortDoc() {
    if (!started_) return kSpoolerError;
    discardDocument();
    return 1;
}

void AssemblyDeviceContext::discardDocument() {
    started_ = false;
    inPage_ = false;
    std::unique_ptr<JobSink> sink = std::move(sink_);
    if (sink) sink->cancel();
    assembly_.reset();
}

int AssemblyDeviceContext::getDeviceCaps(int index) const {
    return (inPage_ ? sheet_ : next_).deviceCaps(index);
}

}  // namespace posix::assembly
