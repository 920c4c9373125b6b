// The spooler functions of WinApi.h on top of the printer drivers: a
// printer handle is an open driver.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>

#include "os/PaperSizes.h"
#include "posix/printing/DriverPrinter.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/spooler/PrinterDriver.h"
#include "posix/winapi/Utf.h"

namespace {


std::map<HANDLE, std::shared_ptr<posix::PrinterDriver>>& openPrinters() {
    static std::map<HANDLE, std::shared_ptr<posix::PrinterDriver>> printers;
    return printers;
}

// Printer handles are numbers of their own: two handles on one printer
// share its driver but stay two handles.
HANDLE newPrinterHandle() {
    static uintptr_t last = 0x1000;
    return reinterpret_cast<HANDLE>(++last);
}

posix::PrinterDriver* openPrinter(HANDLE printer) {
    auto& printers = openPrinters();
    auto found = printers.find(printer);
    if (found == printers.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second.get();
}

size_t alignUp(size_t offset, size_t alignment) {
    return (offset + alignment - 1) / alignment * alignment;
}

// Lays out one block of a spooler record (PRINTER_INFO_2W, JOB_INFO_1W):
// the record, its strings, then the settings. With a null base only the
// size is worked out.
class InfoBlock {
public:
    explicit InfoBlock(BYTE* base) : base_(base) {}

    template <typename Record>
    Record* record() {
        offset_ = sizeof(Record);
        return reinterpret_cast<Record*>(base_);
    }

    LPWSTR string(const std::u16string& text) {
        offset_ = alignUp(offset_, alignof(WCHAR));
        const size_t at = offset_;
        offset_ += (text.size() + 1) * sizeof(WCHAR);
        // Sizing only: no address is formed from the null base.
        if (!base_) return nullptr;
        WCHAR* place = reinterpret_cast<WCHAR*>(base_ + at);
        std::memcpy(place, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        return place;
    }

    LPDEVMODEW settings(const DEVMODEW& settings) {
        offset_ = alignUp(offset_, alignof(std::max_align_t));
        const size_t at = offset_;
        offset_ += sizeof(DEVMODEW);
        if (!base_) return nullptr;
        auto* place = reinterpret_cast<LPDEVMODEW>(base_ + at);
        std::memcpy(place, &settings, sizeof settings);
        return place;
    }

    size_t size() const { return offset_; }

private:
    BYTE* base_;
    size_t offset_ = 0;
};

size_t fillPrinterInfo2(const posix::PrinterDriver& driver, BYTE* base) {
    InfoBlock block(base);
    PRINTER_INFO_2W* info = block.record<PRINTER_INFO_2W>();
    PRINTER_INFO_2W record;
    std::memset(&record, 0, sizeof record);
    record.pPrinterName = block.string(posix::toUtf16(driver.name()));
    record.pPortName = block.string(posix::toUtf16(driver.portName()));
    record.pDriverName = block.string(posix::toUtf16(driver.driverName()));
    record.pDevMode = block.settings(posix::defaultSettings(driver));
    record.Priority = 1;
    record.DefaultPriority = 1;
    if (base) std::memcpy(info, &record, sizeof record);
    return block.size();
}

// The job's own status bits are the spooler's JOB_STATUS_ bits.
static_assert(kJobPaused == JOB_STATUS_PAUSED && kJobError == JOB_STATUS_ERROR && kJobPrinting == JOB_STATUS_PRINTING &&
              kJobBlocked == JOB_STATUS_BLOCKED_DEVQ && kJobDeleted == JOB_STATUS_DELETED &&
              kJobPrinted == JOB_STATUS_PRINTED && kJobComplete == JOB_STATUS_COMPLETE);

size_t fillJobInfo1(const posix::PrinterDriver& driver, DWORD jobId, const posix::JobStatus& status,
                    BYTE* base) {
    InfoBlock block(base);
    JOB_INFO_1W* info = block.record<JOB_INFO_1W>();
    JOB_INFO_1W record;
    std::memset(&record, 0, sizeof record);
    record.JobId = jobId;
    record.pPrinterName = block.string(posix::toUtf16(driver.name()));
    record.pDatatype = block.string(u"RAW");
    if (!status.reasons.empty()) record.pStatus = block.string(posix::toUtf16(status.reasons));
    record.Status = posix::printing::jobStatusOf(status.state);
    record.Priority = 1;
    if (base) std::memcpy(info, &record, sizeof record);
    return block.size();
}

// Writes one value per item into the caller's array, packed as Windows
// lays such arrays out (WORDs, POINTs); the count of items.
template <typename Item, typename ToValue>
int writeEach(LPWSTR output, const std::vector<Item>& items, ToValue toValue) {
    if (output) {
        auto* place = reinterpret_cast<BYTE*>(output);
        for (const Item& item : items) {
            const auto value = toValue(item);
            std::memcpy(place, &value, sizeof value);
            place += sizeof value;
        }
    }
    return static_cast<int>(items.size());
}

// Writes the items' names into fields of units each; the count of items.
template <typename Item>
int writeNames(LPWSTR output, size_t units, const std::vector<Item>& items) {
    if (output) {
        for (size_t i = 0; i < items.size(); ++i) posix::copyName(output + i * units, units, items[i].name);
    }
    return static_cast<int>(items.size());
}

// A size as DC_MINEXTENT and DC_MAXEXTENT answer it: a POINTS of tenths of
// a millimetre, the width in the low half, each held to what 16 bits carry.
int extentAnswer(int32_t widthHundredths, int32_t lengthHundredths) {
    const auto tenths = [](int32_t hundredths) {
        return static_cast<uint32_t>(std::clamp<int32_t>(posix::toTenths(hundredths), 0, INT16_MAX));
    };
    return static_cast<int>(tenths(widthHundredths) | tenths(lengthHundredths) << 16);
}

}  // namespace

BOOL OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW) {
    if (!printerName || !printer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<posix::PrinterDriver> driver =
        posix::openPrinterDriver(posix::toUtf8(printerName));
    if (!driver) return FALSE;
    const HANDLE handle = newPrinterHandle();
    openPrinters().emplace(handle, std::move(driver));
    *printer = handle;
    return TRUE;
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    const posix::PrinterDriver* driver = openPrinter(printer);
    if (!driver) return FALSE;
    if (level != 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const size_t required = fillPrinterInfo2(*driver, nullptr);
    if (needed) *needed = static_cast<DWORD>(required);
    if (!buffer || size < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    fillPrinterInfo2(*driver, buffer);
    return TRUE;
}

BOOL GetJobW(HANDLE printer, DWORD jobId, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    posix::PrinterDriver* driver = openPrinter(printer);
    if (!driver) return FALSE;
    if (level != 1 || jobId == 0 || jobId > INT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    posix::JobStatus status;
    if (!driver->jobStatus(static_cast<int>(jobId), status)) return FALSE;
    const size_t required = fillJobInfo1(*driver, jobId, status, nullptr);
    if (needed) *needed = static_cast<DWORD>(required);
    if (!buffer || size < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    fillJobInfo1(*driver, jobId, status, buffer);
    return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
    auto& printers = openPrinters();
    auto found = printers.find(printer);
    if (found == printers.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    printers.erase(found);
    return TRUE;
}

int DeviceCapabilitiesW(LPCWSTR device, LPCWSTR, WORD capability, LPWSTR output,
                        const DEVMODEW*) {
    if (!device) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::shared_ptr<posix::PrinterDriver> driver = posix::openPrinterDriver(posix::toUtf8(device));
    if (!driver) return -1;
    const std::vector<posix::Paper>& papers = driver->papers();

    switch (capability) {
        case DC_PAPERS:
            return writeEach(output, papers, [](const posix::Paper& paper) { return static_cast<WORD>(paper.id); });
        case DC_PAPERNAMES:
            return writeNames(output, kPaperNameLength, papers);
        case DC_PAPERSIZE:
            return writeEach(output, papers, [](const posix::Paper& paper) {
                return POINT{posix::toTenths(paper.width), posix::toTenths(paper.length)};
            });
        case DC_BINS:
            return writeEach(output, driver->trays(), [](const posix::Tray& tray) { return static_cast<WORD>(tray.id); });
        case DC_BINNAMES:
            return writeNames(output, kTrayNameLength, driver->trays());
        case DC_DUPLEX:
            return driver->duplex() ? 1 : 0;
        case DC_COPIES:
            return driver->maxCopies();
        case DC_COLORDEVICE:
            return driver->color() ? 1 : 0;
        case DC_MINEXTENT:
        case DC_MAXEXTENT: {
            const std::optional<posix::CustomSizes> sizes = driver->customSizes();
            if (!sizes) return -1;
            const bool least = capability == DC_MINEXTENT;
            return extentAnswer(least ? sizes->minWidth : sizes->maxWidth, least ? sizes->minLength : sizes->maxLength);
        }
        default:
            SetLastError(ERROR_NOT_SUPPORTED);
            return -1;
    }
}
