#include "win32/printing/GdiDocument.h"

#include "plat/Strings.h"
#include "win32/printing/EngineDocument.h"
#include "win32/printing/GdiMetrics.h"
#include "win32/printing/SpoolerPrinter.h"
#include "win32/printing/WindowsPrintCalls.h"

namespace winprint {

namespace {

// The record's size in its original 32-bit layout.
constexpr int kDocInfoSize = 20;
// FPDF_RenderPage's turn: 3 quarter turns clockwise, the page's top to the left.
constexpr int kQuarterLeft = 3;

}  // namespace

GdiDocument::~GdiDocument() {
    const WindowsPrintCalls& gdi = windowsPrintCalls();
    if (started_) gdi.abortDoc(dc_);
    gdi.deleteDC(dc_);
}

void GdiDocument::takeSettings() { windowsPrintCalls().resetDC(dc_, printer_.settings()); }

void GdiDocument::probePaper(const PrinterPaper& paper) {
    if (!printer_.settings()) return;
    DEVMODEW probe = *printer_.settings();
    applyPaper(probe, paper);
    windowsPrintCalls().resetDC(dc_, &probe);
}

int32_t GdiDocument::measure(SheetMetric metric) {
    return windowsPrintCalls().getDeviceCaps(dc_, gdiCapability(metric));
}

StepOutcome GdiDocument::begin(const char* title, uint32_t& jobId) {
    const plat::WideChars wideTitle(title);
    const DOCINFOW docInfo{kDocInfoSize, wideTitle.get(), nullptr, nullptr, 0};
    const int started = windowsPrintCalls().startDoc(dc_, &docInfo);
    if (started <= 0) return StepOutcome::failedAt(PrintStep::BeginJob, "StartDoc", GetLastError());
    jobId = static_cast<uint32_t>(started);
    started_ = true;
    return {};
}

StepOutcome GdiDocument::beginSheet() {
    if (windowsPrintCalls().startPage(dc_) <= 0)
        return StepOutcome::failedAt(PrintStep::BeginSheet, "StartPage", GetLastError());
    return {};
}

StepOutcome GdiDocument::putPage(PdfPage& page, const PagePlacement& placement) {
    EnginePage& enginePage = static_cast<EnginePage&>(page);
    // A page smaller than a pixel at the printer's resolution would be
    // drawn as nothing. GDI cannot take back a page it has begun: the
    // sheet ends blank, and the page counts as skipped, not printed.
    if (!placement.coversAPixel()) {
        (void)windowsPrintCalls().endPage(dc_);
        return StepOutcome(StepFailure{PrintStep::PutPage, smallerThanAPixel(enginePage.index())});
    }
    // With the annotations, as a viewer prints them: a filled form prints
    // its values. The engine says nothing of how it went.
    FPDF_RenderPage(dc_, enginePage.handle(), placement.startX, placement.startY,
                    placement.sizeX, placement.sizeY, placement.turned ? kQuarterLeft : 0,
                    FPDF_ANNOT | FPDF_PRINTING);
    return {};
}

StepOutcome GdiDocument::endSheet() {
    if (windowsPrintCalls().endPage(dc_) <= 0)
        return StepOutcome::failedAt(PrintStep::EndSheet, "EndPage", GetLastError());
    return {};
}

StepOutcome GdiDocument::finish() {
    const int ended = windowsPrintCalls().endDoc(dc_);
    const DWORD error = GetLastError();
    started_ = false;
    if (ended <= 0) return StepOutcome::failedAt(PrintStep::Finish, "EndDoc", error);
    return {};
}

}  // namespace winprint
