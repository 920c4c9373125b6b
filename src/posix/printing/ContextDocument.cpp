#include "posix/printing/ContextDocument.h"

#include <string>

#include "plat/Strings.h"
#include "posix/printing/DriverPrinter.h"
#include "posix/printing/EnginePdf.h"

namespace posix::printing {

namespace {

// The engine's turn: 3 quarter turns clockwise, the page's top to the left.
constexpr int kQuarterLeft = 3;

}  // namespace

ContextDocument::ContextDocument(std::shared_ptr<PrinterDriver> driver, std::unique_ptr<DeviceContext> context,
                                 const DriverPrinter& printer)
    : driver_(std::move(driver)), context_(std::move(context)), printer_(printer) {}

ContextDocument::~ContextDocument() {
    if (started_) context_->abortDoc();
    context_.reset();
}

void ContextDocument::takeSettings() { context_->reset(printer_.settings()); }

void ContextDocument::probePaper(const PrinterPaper& paper) {
    context_->reset(withPaper(printer_.settings(), paper));
}

int32_t ContextDocument::measure(SheetMetric metric) { return context_->measure(metric); }

StepOutcome ContextDocument::begin(const char* title, uint32_t& jobId) {
    const plat::WideChars wideTitle(title);
    const int started = context_->startDoc(wideTitle.get() ? std::u16string(wideTitle.get()) : std::u16string());
    if (started <= 0) return StepOutcome::failedAt(PrintStep::BeginJob, GetLastError());
    jobId = static_cast<uint32_t>(started);
    started_ = true;
    return {};
}

StepOutcome ContextDocument::beginSheet() {
    if (context_->startPage() <= 0) return StepOutcome::failedAt(PrintStep::BeginSheet, GetLastError());
    return {};
}

StepOutcome ContextDocument::putPage(PdfPage& page, const PagePlacement& placement) {
    const std::string failure = static_cast<EnginePage&>(page).putOnto(
        *context_, placement.startX, placement.startY, placement.sizeX, placement.sizeY,
        placement.turned ? kQuarterLeft : 0);
    if (failure.empty()) return {};
    // Nothing of the page prints: the sheet it began goes with it.
    context_->dropPage();
    return StepOutcome(StepFailure{PrintStep::PutPage, failure});
}

StepOutcome ContextDocument::endSheet() {
    if (context_->endPage() <= 0) return StepOutcome::failedAt(PrintStep::EndSheet, GetLastError());
    return {};
}

StepOutcome ContextDocument::finish() {
    const int ended = context_->endDoc();
    const DWORD error = GetLastError();
    started_ = false;
    if (ended <= 0) return StepOutcome::failedAt(PrintStep::Finish, error);
    return {};
}

}  // namespace posix::printing
