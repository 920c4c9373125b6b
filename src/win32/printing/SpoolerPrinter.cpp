#include "win32/printing/SpoolerPrinter.h"

#include <cstdint>
#include <vector>

#include "os/PaperSizes.h"
#include "plat/Exception.h"
#include "plat/Strings.h"
#include "win32/printing/DevModeEdits.h"
#include "win32/printing/GdiDocument.h"
#include "win32/printing/WindowsPrintCalls.h"

namespace winprint {

namespace {

// A DC_MINEXTENT or DC_MAXEXTENT answer: a POINTS, width low, length high.
PaperExtent extentOf(int answer) {
    const auto bits = static_cast<uint32_t>(answer);
    return PaperExtent{static_cast<int16_t>(bits & 0xFFFF), static_cast<int16_t>(bits >> 16)};
}

// A name of a fixed field of that many units, up to its first zero.
std::u16string fieldText(const WCHAR* field, int capacity) {
    int length = 0;
    while (length < capacity && field[length] != 0) ++length;
    return std::u16string(reinterpret_cast<const char16_t*>(field), static_cast<size_t>(length));
}

// The spooler's job states in the job's own terms.
uint32_t statusOf(DWORD spooler) {
    static const struct {
        DWORD spooler;
        uint32_t own;
    } kStates[] = {
        {JOB_STATUS_PAUSED, kJobPaused},     {JOB_STATUS_ERROR, kJobError},
        {JOB_STATUS_DELETING, kJobDeleting}, {JOB_STATUS_SPOOLING, kJobSpooling},
        {JOB_STATUS_PRINTING, kJobPrinting}, {JOB_STATUS_OFFLINE, kJobOffline},
        {JOB_STATUS_PAPEROUT, kJobPaperOut}, {JOB_STATUS_PRINTED, kJobPrinted},
        {JOB_STATUS_DELETED, kJobDeleted},   {JOB_STATUS_BLOCKED_DEVQ, kJobBlocked},
        {JOB_STATUS_USER_INTERVENTION, kJobNeedsAttention},
        {JOB_STATUS_RESTART, kJobRestarting}, {JOB_STATUS_COMPLETE, kJobComplete},
    };
    uint32_t own = 0;
    for (const auto& state : kStates)
        if ((spooler & state.spooler) != 0) own |= state.own;
    return own;
}

}  // namespace

std::vector<PrinterPaper> printerPapers(const WCHAR* printerName) {
    const auto deviceCapabilities = windowsPrintCalls().deviceCapabilities;
    // No settings: the printer's defaults decide what it offers.
    const int reported = deviceCapabilities(printerName, nullptr, DC_PAPERS, nullptr, nullptr);
    // A failed query reports -1; that is no count, the table stays empty.
    if (reported <= 0) return {};

    const auto count = static_cast<size_t>(reported);
    std::vector<WORD> ids(count);
    std::vector<WCHAR> names(count * kPaperNameLength);
    std::vector<POINT> sizes(count);
    // Each list must be the one counted: a printer whose papers changed
    // between the calls gives ids, names and sizes that do not belong
    // together, and the job would print on papers it does not have.
    const bool sameLists =
        deviceCapabilities(printerName, nullptr, DC_PAPERS, reinterpret_cast<LPWSTR>(ids.data()), nullptr) ==
            reported &&
        deviceCapabilities(printerName, nullptr, DC_PAPERNAMES, names.data(), nullptr) == reported &&
        deviceCapabilities(printerName, nullptr, DC_PAPERSIZE, reinterpret_cast<LPWSTR>(sizes.data()),
                           nullptr) == reported;
    if (!sameLists) {
        const plat::NarrowChars name(printerName);
        throw plat::ExceptionFmt("The papers of printer %s changed while they were read", name.get());
    }
    std::vector<PrinterPaper> papers(count);
    for (size_t i = 0; i < count; ++i) {
        papers[i].id = ids[i];
        papers[i].name = fieldText(&names[i * kPaperNameLength], kPaperNameLength);
        papers[i].size = PaperExtent{static_cast<int32_t>(sizes[i].x), static_cast<int32_t>(sizes[i].y)};
    }
    return papers;
}

DEVMODEW* defaultSettingsOf(const PRINTER_INFO_2W& info, const char* name) {
    if (info.pDevMode == nullptr) throw plat::ExceptionFmt("Printer %s has no default settings", name ? name : "");
    return info.pDevMode;
}

SpoolerPrinter::SpoolerPrinter(const char* name) : utf8Name_(name ? name : "") {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    handle_.open(name, &defaults);
    const plat::NarrowChars opened(handle_.name());
    utf8Name_ = opened.get() ? opened.get() : "";
}

std::string SpoolerPrinter::name() const { return utf8Name_; }

std::vector<PrinterPaper> SpoolerPrinter::papers() { return printerPapers(handle_.name()); }

void SpoolerPrinter::loadSettings() {
    PRINTER_INFO_2W* info = handle_.getPrinterInfo2();
    if (info == nullptr) throw plat::Exception("GetPrinter failed");
    settings_ = defaultSettingsOf(*info, utf8Name_.c_str());
}

PaperExtent SpoolerPrinter::settingsPaper() const {
    if (!settings_) return {};
    return PaperExtent{settings_->dmPaperWidth, settings_->dmPaperLength};
}

int SpoolerPrinter::capability(WORD which, LPWSTR output) const {
    return windowsPrintCalls().deviceCapabilities(handle_.name(), nullptr, which, output, settings_);
}

int SpoolerPrinter::mostCopies() { return capability(DC_COPIES); }

bool SpoolerPrinter::printsTwoSided() { return capability(DC_DUPLEX) == 1; }

bool SpoolerPrinter::printsColour() { return capability(DC_COLORDEVICE) != 0; }

std::vector<PrinterTray> SpoolerPrinter::trays() {
    std::vector<PrinterTray> trays;
    const int count = capability(DC_BINS);
    if (count <= 0) return trays;
    std::vector<WORD> ids(static_cast<size_t>(count));
    std::vector<WCHAR> names(static_cast<size_t>(count) * kTrayNameLength);
    // The lists must be the ones counted; anything else is no list at all.
    if (capability(DC_BINS, reinterpret_cast<LPWSTR>(ids.data())) != count ||
        capability(DC_BINNAMES, names.data()) != count)
        return trays;
    for (int i = 0; i < count; ++i) {
        const WCHAR* name = &names[static_cast<size_t>(i) * kTrayNameLength];
        int length = 0;
        while (length < kTrayNameLength && name[length] != 0) ++length;
        const plat::NarrowChars text(name, CP_UTF8, length);
        trays.push_back({ids[static_cast<size_t>(i)], text.get() ? text.get() : ""});
    }
    return trays;
}

std::optional<CustomRange> SpoolerPrinter::customSizes() {
    const int smallest = capability(DC_MINEXTENT);
    const int largest = capability(DC_MAXEXTENT);
    const CustomRange range{extentOf(smallest), extentOf(largest)};
    if (smallest == -1 || largest == -1 || !range.usable()) return std::nullopt;
    return range;
}

void SpoolerPrinter::applyControls(const JobControls& controls) {
    if (settings_) writeControls(*settings_, controls);
}

void SpoolerPrinter::makePortrait() {
    if (settings_) settings_->dmOrientation = DMORIENT_PORTRAIT;
}

void SpoolerPrinter::selectPaper(const PrinterPaper& paper) {
    if (settings_) applyPaper(*settings_, paper);
}

void SpoolerPrinter::selectSize(PaperExtent size) {
    if (settings_) writeOwnSize(*settings_, size);
}

std::unique_ptr<PrintDocument> SpoolerPrinter::createDocument(PdfDocument&, StepOutcome& outcome) {
    const HDC dc = windowsPrintCalls().createDC(WIDE(""), handle_.name(), nullptr, settings_);
    if (dc == nullptr) {
        outcome = StepOutcome::failedAt(PrintStep::CreateDocument, "CreateDC", GetLastError());
        return nullptr;
    }
    return std::make_unique<GdiDocument>(dc, *this);
}

// Reads the job's record. A job the spooler no longer holds is a look of
// its own; a spooler that cannot be asked keeps the last look, with why.
// Windows fails the call for a job it no longer holds with
// ERROR_INVALID_PARAMETER; Wine says nothing at all.
JobLook SpoolerPrinter::lookAtJob(uint32_t jobId, const JobLook& last) {
    const auto unanswered = [&last](DWORD error) {
        if (error == ERROR_INVALID_PARAMETER || error == ERROR_SUCCESS) return JobLook::gone(last);
        return JobLook::unanswered(last, plat::SystemException("the spooler cannot be asked: GetJob", error).message);
    };
    // The first call asks how much room the record needs; the job may
    // change between calls and need more: ask again with that room, a few
    // times.
    DWORD needed = 0;
    std::vector<BYTE> record;
    for (int attempt = 0;; ++attempt) {
        record.resize(needed);
        SetLastError(ERROR_SUCCESS);
        if (windowsPrintCalls().getJob(handle_.handle, jobId, 1, record.empty() ? nullptr : record.data(), needed,
                                       &needed))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= record.size() || attempt == 4) return unanswered(error);
    }
    const auto* info = reinterpret_cast<const JOB_INFO_1W*>(record.data());
    JobLook look;
    look.status = statusOf(info->Status);
    if (info->pStatus != nullptr && info->pStatus[0] != 0) {
        const plat::NarrowChars text(info->pStatus);
        look.text = text.get() ? text.get() : "";
    }
    return look;
}

}  // namespace winprint
