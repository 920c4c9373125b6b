#include "posix/printing/DriverPrinter.h"

#include <algorithm>
#include <cstdint>

#include "os/PaperSizes.h"
#include "plat/Exception.h"
#include "plat/Strings.h"
#include "posix/printing/ContextDocument.h"
#include "posix/printing/EnginePdf.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/Utf.h"

namespace posix::printing {

namespace {

// A name as a field of that many units carries it: cut, never inside a
// surrogate pair, with room for its end.
std::u16string fieldName(const std::u16string& name, size_t units) { return cutName(name, units); }

// A size the printer takes besides its papers, in tenths held to what 16
// bits carry, as a Windows driver reports one.
PaperExtent extentOf(int32_t widthHundredths, int32_t lengthHundredths) {
    const auto tenths = [](int32_t hundredths) { return std::clamp<int32_t>(toTenths(hundredths), 0, INT16_MAX); };
    return PaperExtent{tenths(widthHundredths), tenths(lengthHundredths)};
}

}  // namespace

JobSettings withPaper(JobSettings settings, const PrinterPaper& paper) {
    settings.paperId = static_cast<int16_t>(paper.id);
    settings.paperName = paper.name;
    settings.paperWidth = paper.size.width;
    settings.paperLength = paper.size.length;
    return settings;
}

// A job the printer aborted is an error that left the queue, one somebody
// cancelled only left.
uint32_t jobStatusOf(JobStatus::State state) {
    using State = JobStatus::State;
    switch (state) {
        case State::Pending: return 0;
        case State::Held: return kJobPaused;
        case State::Processing: return kJobPrinting;
        case State::Stopped: return kJobPaused | kJobBlocked;
        case State::Cancelled: return kJobDeleted;
        case State::Aborted: return kJobDeleted | kJobError;
        case State::Completed: return kJobPrinted | kJobComplete;
    }
    return 0;
}

DriverPrinter::DriverPrinter(const char* name) {
    // The name as the system's wide functions would carry it.
    const plat::WideChars wide(name);
    name_ = toUtf8(wide.get());
    driver_ = openPrinterDriver(name_);
    if (!driver_) {
        const DWORD code = GetLastError();
        char text[plat::kExceptionMessageSize];
        snprintf(text, sizeof text, "Unable to open Printer %s", name_.c_str());
        throw plat::SystemException(text, code);
    }
}

std::vector<PrinterPaper> DriverPrinter::papers() {
    std::vector<PrinterPaper> papers;
    for (const Paper& paper : driver_->papers())
        papers.push_back({static_cast<uint16_t>(paper.id), fieldName(paper.name, kPaperNameLength),
                          PaperExtent{toTenths(paper.width), toTenths(paper.length)}});
    return papers;
}

void DriverPrinter::loadSettings() { settings_ = defaultSettings(*driver_); }

PaperExtent DriverPrinter::settingsPaper() const { return PaperExtent{settings_.paperWidth, settings_.paperLength}; }

std::vector<PrinterTray> DriverPrinter::trays() {
    std::vector<PrinterTray> trays;
    for (const Tray& tray : driver_->trays())
        trays.push_back({static_cast<uint16_t>(tray.id), toUtf8(fieldName(tray.name, kTrayNameLength))});
    return trays;
}

std::optional<CustomRange> DriverPrinter::customSizes() {
    const std::optional<CustomSizes> sizes = driver_->customSizes();
    if (!sizes) return std::nullopt;
    const CustomRange range{extentOf(sizes->minWidth, sizes->minLength), extentOf(sizes->maxWidth, sizes->maxLength)};
    if (!range.usable()) return std::nullopt;
    return range;
}

void DriverPrinter::applyControls(const JobControls& controls) {
    if (controls.copies) settings_.copies = *controls.copies;
    if (controls.collate) settings_.collate = *controls.collate;
    if (controls.sides) settings_.sides = *controls.sides;
    if (controls.colour) settings_.colour = *controls.colour;
    if (controls.tray)
        settings_.tray = controls.tray->automatic ? tray_id::Automatic : static_cast<int16_t>(controls.tray->id);
}

void DriverPrinter::makePortrait() { settings_.orientation = Orientation::Portrait; }

void DriverPrinter::selectPaper(const PrinterPaper& paper) { settings_ = withPaper(settings_, paper); }

void DriverPrinter::selectSize(PaperExtent size) {
    settings_.paperId = kOwnSizePaper;
    settings_.paperName.clear();
    settings_.paperWidth = size.width;
    settings_.paperLength = size.length;
}

std::unique_ptr<PrintDocument> DriverPrinter::createDocument(PdfDocument&, StepOutcome& outcome) {
    std::unique_ptr<DeviceContext> context = driver_->createDeviceContext(settings_);
    if (!context) {
        outcome = StepOutcome::failedAt(PrintStep::CreateDocument, GetLastError());
        return nullptr;
    }
    return std::make_unique<ContextDocument>(driver_, std::move(context), *this);
}

JobLook DriverPrinter::lookAtJob(uint32_t jobId, const JobLook& last) {
    // A job the printer no longer knows (or never numbered) has left its queue.
    if (jobId == 0 || jobId > INT32_MAX) return JobLook::gone(last);
    JobStatus status;
    SetLastError(ERROR_SUCCESS);
    if (driver_->jobStatus(static_cast<int>(jobId), status)) return JobLook{true, jobStatusOf(status.state), status.reasons};
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_SUCCESS) return JobLook::gone(last);
    return JobLook::unanswered(last, plat::SystemException("the spooler cannot be asked: GetJob", error).message);
}

}  // namespace posix::printing
