#include "win32/unit/support/RecordingSpooler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "win32/unit/support/SpoolerSheets.h"

namespace testsupport {

struct RecordingSpooler::State {
    explicit State(EventLog& eventLog) : log(eventLog) {}
    EventLog& log;
    RecordingSetup setup;
    std::map<HANDLE, std::wstring> handles;     // open printers, by handle
    std::map<HDC, SpoolerPaper> contexts;       // each context's sheet
    uintptr_t lastHandle = 0x1000;
    int recordQueries = 0;
    int paperQueries = 0;
};

namespace {

using State = RecordingSpooler::State;

// The spooler in use; the functions of the table reach it here.
State* current = nullptr;

const std::wstring kPrefix = L"rec:";
const std::wstring kMissing = L"rec:missing";

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool knownPrinter(const WCHAR* name) {
    return name != nullptr && startsWith(name, kPrefix) && !startsWith(name, kMissing);
}

const char* capabilityName(WORD capability) {
    switch (capability) {
        case DC_PAPERS: return "DC_PAPERS";
        case DC_PAPERNAMES: return "DC_PAPERNAMES";
        case DC_PAPERSIZE: return "DC_PAPERSIZE";
        case DC_BINS: return "DC_BINS";
        case DC_BINNAMES: return "DC_BINNAMES";
        case DC_DUPLEX: return "DC_DUPLEX";
        case DC_COPIES: return "DC_COPIES";
        case DC_COLORDEVICE: return "DC_COLORDEVICE";
        case DC_MINEXTENT: return "DC_MINEXTENT";
        case DC_MAXEXTENT: return "DC_MAXEXTENT";
        default: return "DC_?";
    }
}

size_t alignUp(size_t offset, size_t alignment) { return (offset + alignment - 1) / alignment * alignment; }

// Lays out the printer's PRINTER_INFO_2W block (the record, its strings,
// then the settings) at base; with a null base only its size.
size_t fillPrinterInfo2(const RecordingSetup& setup, const std::wstring& printer, const std::wstring& port, BYTE* base) {
    size_t offset = sizeof(PRINTER_INFO_2W);
    const auto place = [&](const std::wstring& text) -> LPWSTR {
        offset = alignUp(offset, alignof(WCHAR));
        const size_t at = offset;
        offset += (text.size() + 1) * sizeof(WCHAR);
        if (!base) return nullptr;
        std::memcpy(base + at, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        return reinterpret_cast<LPWSTR>(base + at);
    };
    PRINTER_INFO_2W record;
    std::memset(&record, 0, sizeof record);
    record.pPrinterName = place(printer);
    record.pPortName = place(port);
    record.pDriverName = place(L"Recording test driver");
    offset = alignUp(offset, alignof(std::max_align_t));
    if (base) {
        const DEVMODEW settings = defaultSettings(setup, printer);
        std::memcpy(base + offset, &settings, sizeof settings);
        record.pDevMode = reinterpret_cast<LPDEVMODEW>(base + offset);
    }
    offset += sizeof(DEVMODEW);
    record.Priority = 1;
    record.DefaultPriority = 1;
    if (base) std::memcpy(base, &record, sizeof record);
    return offset;
}

// Writes one value per item into the caller's array, packed as Windows
// lays such arrays out; the count of items.
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

template <typename Item>
int writeNames(LPWSTR output, size_t units, const std::vector<Item>& items) {
    if (output) {
        for (size_t i = 0; i < items.size(); ++i) copyName(output + i * units, units, items[i].name);
    }
    return static_cast<int>(items.size());
}

// A size as DC_MINEXTENT and DC_MAXEXTENT answer it: a POINTS of tenths,
// the width in the low half.
int extentAnswer(int32_t widthHundredths, int32_t lengthHundredths) {
    const auto tenths = [](int32_t hundredths) {
        return static_cast<uint32_t>(std::clamp<int32_t>(toTenths(hundredths), 0, INT16_MAX));
    };
    return static_cast<int>(tenths(widthHundredths) | tenths(lengthHundredths) << 16);
}

const std::wstring* openPrinter(HANDLE printer) {
    const auto found = current->handles.find(printer);
    if (found == current->handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

SpoolerPaper* liveContext(HDC dc) {
    const auto found = current->contexts.find(dc);
    if (found == current->contexts.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

int record(const char* event) {
    current->log.add(event);
    return 1;
}

// ---- the table's functions ----

BOOL WINAPI recordOpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    const std::string shown = name ? utf8(name) : "(null)";
    if (!knownPrinter(name) || printer == nullptr) {
        current->log.add("OpenPrinterW " + shown + " failed");
        SetLastError(RecordingSpooler::unknownPrinterError());
        return FALSE;
    }
    current->log.add("OpenPrinterW " + shown + " access=" +
                     (defaults ? std::to_string(defaults->DesiredAccess) : std::string("none")));
    const HANDLE handle = reinterpret_cast<HANDLE>(++current->lastHandle);
    current->handles.emplace(handle, name);
    *printer = handle;
    return TRUE;
}

BOOL WINAPI recordClosePrinter(HANDLE printer) {
    const std::wstring* name = openPrinter(printer);
    if (!name) {
        current->log.add("ClosePrinter on a closed handle");
        return FALSE;
    }
    current->log.add("ClosePrinter " + utf8(*name));
    current->handles.erase(printer);
    return TRUE;
}

BOOL WINAPI recordGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    const std::wstring* name = openPrinter(printer);
    if (!name) {
        current->log.add("GetPrinterW on a closed handle");
        return FALSE;
    }
    if (level != 2) {
        current->log.add("GetPrinterW level=" + std::to_string(level));
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    // A record that grows takes a longer port name at every query.
    std::wstring port = L"recording";
    if (current->setup.recordGrowsBetweenQueries)
        port += std::wstring(static_cast<size_t>(32 * ++current->recordQueries), L'+');
    const size_t required = fillPrinterInfo2(current->setup, *name, port, nullptr);
    if (needed) *needed = static_cast<DWORD>(required);
    if (!buffer || size < required) {
        current->log.add(buffer ? "GetPrinterW level=2 too small" : "GetPrinterW level=2 sizing");
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    fillPrinterInfo2(current->setup, *name, port, buffer);
    current->log.add("GetPrinterW level=2 filled");
    return TRUE;
}

int WINAPI recordDeviceCapabilities(LPCWSTR device, LPCWSTR, WORD capability, LPWSTR output,
                                    const DEVMODEW* settings) {
    std::string event = std::string("DeviceCapabilitiesW ") + (device ? utf8(device) : "(null)") + " " +
                        capabilityName(capability);
    if (!knownPrinter(device)) {
        current->log.add(event + " failed");
        SetLastError(RecordingSpooler::unknownPrinterError());
        return -1;
    }
    if (output) event += " output";
    if (settings) event += " settings";
    current->log.add(event);

    const RecordingSetup& setup = current->setup;
    const auto papers = [&]() -> const std::vector<SpoolerPaper>& {
        if (setup.papersChangeAfterFirstQuery && current->paperQueries++ > 0)
            return *setup.papersChangeAfterFirstQuery;
        return setup.papers;
    };
    switch (capability) {
        case DC_PAPERS:
            return writeEach(output, papers(), [](const SpoolerPaper& p) { return static_cast<WORD>(p.id); });
        case DC_PAPERNAMES:
            return writeNames(output, 64, papers());
        case DC_PAPERSIZE:
            return writeEach(output, papers(), [](const SpoolerPaper& p) {
                return POINT{toTenths(p.width), toTenths(p.length)};
            });
        case DC_BINS:
            return writeEach(output, setup.trays, [](const SpoolerTray& t) { return static_cast<WORD>(t.id); });
        case DC_BINNAMES:
            return writeNames(output, 24, setup.trays);
        case DC_DUPLEX:
            return setup.duplex ? 1 : 0;
        case DC_COPIES:
            return setup.maxCopies;
        case DC_COLORDEVICE:
            return setup.color ? 1 : 0;
        case DC_MINEXTENT:
        case DC_MAXEXTENT: {
            if (!setup.customSizes) return -1;
            const SpoolerCustomSizes& sizes = *setup.customSizes;
            const bool least = capability == DC_MINEXTENT;
            return extentAnswer(least ? sizes.minWidth : sizes.maxWidth, least ? sizes.minLength : sizes.maxLength);
        }
        default:
            SetLastError(ERROR_NOT_SUPPORTED);
            return -1;
    }
}

// The recording spooler has no queue: every job has left it.
BOOL WINAPI recordGetJob(HANDLE printer, DWORD jobId, DWORD level, LPBYTE, DWORD, LPDWORD) {
    if (!openPrinter(printer)) return FALSE;
    current->log.add("GetJobW " + std::to_string(jobId) + " level=" + std::to_string(level));
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

HDC WINAPI recordCreateDC(LPCWSTR, LPCWSTR device, LPCWSTR, const DEVMODEW* settings) {
    if (!knownPrinter(device)) {
        current->log.add(std::string("CreateDCW for an unknown printer ") + (device ? utf8(device) : "(null)"));
        SetLastError(RecordingSpooler::unknownPrinterError());
        return nullptr;
    }
    if (current->setup.createDeviceContextError != 0) {
        current->log.add("CreateDCW failed");
        SetLastError(current->setup.createDeviceContextError);
        return nullptr;
    }
    const DEVMODEW chosen = settings ? *settings : defaultSettings(current->setup, device);
    current->log.add("CreateDCW " + describe(chosen));
    const HDC dc = reinterpret_cast<HDC>(++current->lastHandle);
    current->contexts.emplace(dc, sheetPaperFor(current->setup, chosen));
    return dc;
}

HDC WINAPI recordResetDC(HDC dc, const DEVMODEW* settings) {
    SpoolerPaper* paper = liveContext(dc);
    if (!paper || !settings) {
        current->log.add("ResetDCW without a context or settings");
        return nullptr;
    }
    current->log.add("ResetDCW " + describe(*settings));
    *paper = sheetPaperFor(current->setup, *settings);
    return dc;
}

int WINAPI recordStartDoc(HDC dc, const DOCINFOW* info) {
    if (!liveContext(dc)) return SP_ERROR;
    current->log.add("StartDocW " + (info && info->lpszDocName ? utf8(info->lpszDocName) : std::string()));
    return 1;
}

int WINAPI recordStartPage(HDC dc) { return liveContext(dc) ? record("StartPage") : SP_ERROR; }

int WINAPI recordEndPage(HDC dc) {
    if (!liveContext(dc)) return SP_ERROR;
    if (current->setup.endPageError == 0) return record("EndPage");
    current->log.add("EndPage failed");
    SetLastError(current->setup.endPageError);
    return 0;
}

int WINAPI recordEndDoc(HDC dc) { return liveContext(dc) ? record("EndDoc") : SP_ERROR; }

int WINAPI recordAbortDoc(HDC dc) { return liveContext(dc) ? record("AbortDoc") : SP_ERROR; }

int WINAPI recordGetDeviceCaps(HDC dc, int index) {
    const SpoolerPaper* paper = liveContext(dc);
    if (!paper) return 0;
    const int value = capsValue(current->setup, *paper, index);
    current->log.add(std::string("GetDeviceCaps ") + capsName(index) + "=" + std::to_string(value));
    return value;
}

BOOL WINAPI recordDeleteDC(HDC dc) {
    if (!liveContext(dc)) {
        current->log.add("DeleteDC on a deleted context");
        return FALSE;
    }
    current->contexts.erase(dc);
    current->log.add("DeleteDC");
    return TRUE;
}

const winprint::WindowsPrintCalls kRecordingCalls{
    &recordOpenPrinter, &recordClosePrinter, &recordGetPrinter, &recordDeviceCapabilities,
    &recordGetJob,      &recordCreateDC,     &recordResetDC,    &recordStartDoc,
    &recordStartPage,   &recordEndPage,      &recordEndDoc,     &recordAbortDoc,
    &recordGetDeviceCaps, &recordDeleteDC,
};

// Made current before the table is installed, so that no call finds none.
std::unique_ptr<State> makeCurrent(EventLog& log) {
    auto state = std::make_unique<State>(log);
    current = state.get();
    return state;
}

}  // namespace

RecordingSpooler::RecordingSpooler(EventLog& log) : state_(makeCurrent(log)), installed_(kRecordingCalls) {
    state_->setup.papers = officePapers();
}

RecordingSpooler::~RecordingSpooler() { current = nullptr; }

int RecordingSpooler::openPrinters() const { return static_cast<int>(state_->handles.size()); }
int RecordingSpooler::liveContexts() const { return static_cast<int>(state_->contexts.size()); }
RecordingSetup& RecordingSpooler::setup() { return state_->setup; }

}  // namespace testsupport
