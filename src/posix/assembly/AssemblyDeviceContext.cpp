#include "posix/assembly/AssemblyDeviceContext.h"

#include <qpdf/Pipeline.hh>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/LastError.h"
#include "posix/winapi/Utf.h"
#include "posix/assembly/PdfAssembly.h"
#include "posix/assembly/Placement.h"

namespace posix::assembly {

// The end of the writer's pipeline: the job's sink, in pieces of 64 KiB
// rather than the many small ones the writer makes. A sink that fails
// stops the writing at once, with the sink's error kept.
class SinkPipeline : public Pipeline {
public:
    explicit SinkPipeline(JobSink& sink) : Pipeline("print job", nullptr), sink_(sink) {
        buffer_.reserve(kPiece);
    }

    void write(unsigned char const* data, size_t length) override {
        if (buffer_.size() + length > kPiece) flush();
        if (length >= kPiece) {
            deliver(data, length);
        } else {
            buffer_.insert(buffer_.end(), data, data + length);
        }
    }
    void finish() override { flush(); }

    bool failed() const { return failed_; }
    DWORD error() const { return error_; }

    // Hands what is held to the job: a sheet goes out when it is done.
    void flush() {
        if (buffer_.empty()) return;
        deliver(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

private:
    static constexpr size_t kPiece = 64 * 1024;

    void deliver(unsigned char const* data, size_t length) {
        if (failed_ || !sink_.write(data, length)) {
            if (!failed_) error_ = GetLastError();
            failed_ = true;
            throw std::runtime_error("the print job took no more data");
        }
    }

    JobSink& sink_;
    std::vector<unsigned char> buffer_;
    bool failed_ = false;
    DWORD error_ = 0;
};

// Defined here, where the assembly and its pipeline are known.
AssemblyDeviceContext::AssemblyDeviceContext(PrinterDriver& driver, const JobSettings& settings)
    : JobContext(driver, settings) {}

AssemblyDeviceContext::~AssemblyDeviceContext() {
    if (started_) discardDocument();
}

int AssemblyDeviceContext::startDoc(const std::u16string& title) {
    if (started_) return kSpoolerError;
    const std::string utf8Title = toUtf8(title);
    if (!openJob(utf8Title)) return kSpoolerError;
    pipeline_ = std::make_unique<SinkPipeline>(*sink_);
    failed_ = false;
    try {
        assembly_ = std::make_unique<PdfAssembly>(*pipeline_, utf8Title);
        const DocumentCopies copies = documentCopies(driver_, settings_, true);
        assembly_->setCopies(copies);
        assembly_->tellCopies(copies.told);
    } catch (const std::exception&) {
        noteFailure();
    }
    started_ = true;
    refused_ = false;
    return failed_ ? kSpoolerError : std::max(sink_->id(), 1);
}

void AssemblyDeviceContext::noteFailure() {
    failed_ = true;
    assembly_.reset();
}

int AssemblyDeviceContext::startPage() {
    if (!started_ || inPage_ || failed_) return kSpoolerError;
    if (!beginJobSheet()) {
        refused_ = true;
        noteFailure();
        return kSpoolerError;
    }
    assembly_->beginSheet(sheet_.widthPoints, sheet_.heightPoints);
    inPage_ = true;
    return 1;
}

int AssemblyDeviceContext::endPage() {
    if (!inPage_) return kSpoolerError;
    inPage_ = false;
    if (failed_) return kSpoolerError;
    try {
        assembly_->endSheet();
        pipeline_->flush();
    } catch (const std::exception&) {
        noteFailure();
        return kSpoolerError;
    }
    return 1;
}

bool AssemblyDeviceContext::placePage(const SourcePage& page, const TargetRect& target,
                                      int rotate) {
    if (!inPage_ || failed_ || target.width <= 0 || target.height <= 0) return false;
    if (page.displayed.width() <= 0 || page.displayed.height() <= 0) return false;
    try {
        assembly_->putOnSheet(page, pageToSheet(page.displayed, target, rotate, sheet_),
                         printableArea(sheet_));
    } catch (const std::exception&) {
        // The job refusing data ends the document; a page that could not be
        // read is for the caller to draw instead.
        if (pipeline_->failed()) noteFailure();
        throw;
    }
    return true;
}

bool AssemblyDeviceContext::dropPage() {
    if (!inPage_) return false;
    inPage_ = false;
    if (assembly_) assembly_->dropSheet();
    return true;
}

int AssemblyDeviceContext::endDoc() {
    if (!started_) return kSpoolerError;
    started_ = false;
    inPage_ = false;
    std::unique_ptr<JobSink> sink = std::move(sink_);
    std::unique_ptr<SinkPipeline> pipeline = std::move(pipeline_);
    std::unique_ptr<PdfAssembly> assembly = std::move(assembly_);

    std::string failure;
    if (!failed_) {
        try {
            assembly->finish();
            pipeline->finish();
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    if (failed_ || !failure.empty()) {
        const DWORD sinkError = pipeline->error();
        sink->cancel();
        // The sink's own readable text when it failed, else what the writer met.
        if (refused_) {
            // The refusal's own text stands.
        } else if (pipeline->failed()) {
            if (sinkError && GetLastError() != sinkError) SetLastError(sinkError);
        } else {
            setLastErrorText(ERROR_INVALID_DATA, "Unable to write the document: " + failure);
        }
        return kSpoolerError;
    }
    return handOverJob(std::move(sink), true, 0) ? 1 : kSpoolerError;
}

void AssemblyDeviceContext::discardDocument() {
    const std::unique_ptr<JobSink> cancelled = cancelJob();
    inPage_ = false;
    assembly_.reset();
    pipeline_.reset();
}

}  // namespace posix::assembly
