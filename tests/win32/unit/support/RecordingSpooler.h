// A spooler for unit tests of the Windows backend: the table of spooler and
// GDI functions replaced by one that offers the papers, defaults, margins
// and resolution a test sets, draws nothing, and writes every call it gets,
// with its arguments, into an event log.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/EventLog.h"
#include "common/PrintJobFixture.h"
#include "plat/WinApi.h"
#include "win32/printing/WindowsPrintCalls.h"

namespace testsupport {

// One paper: sizes and margins in hundredths of a millimetre, upright.
struct SpoolerPaper {
    int16_t id = 0;          // DMPAPER_ value, or DMPAPER_USER (256) and up
    std::wstring name;
    int32_t width = 0, length = 0;
    int32_t marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
};

struct SpoolerTray {
    int16_t id = 0;          // DMBIN_ value, or DMBIN_USER (256) and up
    std::wstring name;
};

// The sizes the printer takes besides its papers, hundredths of a millimetre.
struct SpoolerCustomSizes {
    int32_t minWidth = 0, minLength = 0;
    int32_t maxWidth = 0, maxLength = 0;
};

// What the printer's default settings hold.
struct SpoolerDefaults {
    int paperIndex = 0;      // into the papers; -1 names none
    int orientation = DMORIENT_PORTRAIT;
    int dpiX = 600;
    int dpiY = 600;
};

// What every printer of one RecordingSpooler offers and does.
struct RecordingSetup {
    std::vector<SpoolerPaper> papers;
    SpoolerDefaults defaults;
    // Values GetDeviceCaps gives instead of the ones worked out from the paper.
    std::map<int, int> deviceCapsOverrides;
    // CreateDCW fails with this last error when not 0.
    DWORD createDeviceContextError = 0;
    // Every EndPage fails with this last error when not 0.
    DWORD endPageError = 0;
    // The printer's record grows between the size query and the fetch, as
    // when its settings change in between.
    bool recordGrowsBetweenQueries = false;
    // A paper list that every paper query after the first gives instead.
    std::optional<std::vector<SpoolerPaper>> papersChangeAfterFirstQuery;
    std::vector<SpoolerTray> trays;
    bool duplex = false;
    bool color = true;
    int maxCopies = 999;
    std::optional<SpoolerCustomSizes> customSizes;
};

// Installs itself as the backend's spooler and GDI for its lifetime. Every
// printer name beginning with "rec:" opens, except those that continue
// with "missing"; any other name is unknown. One at a time.
//
// The events: "OpenPrinterW <name> access=<n>" (or "... failed"),
// "ClosePrinter <name>", "GetPrinterW level=2 sizing|filled|too small",
// "DeviceCapabilitiesW <device> DC_<what>[ output][ settings]" (or
// "... failed"), "GetJobW <id> level=<n>", "CreateDCW <settings>",
// "ResetDCW <settings>", "StartDocW <title>", "StartPage", "EndPage",
// "EndDoc", "AbortDoc", "GetDeviceCaps <NAME>=<value>", "DeleteDC"; the
// settings as "paper=9 width=2100 length=2970 orientation=1 form=A4" and
// each job control its flag sets (" copies=3 collate=0 ...").
class RecordingSpooler {
public:
    explicit RecordingSpooler(EventLog& log);
    ~RecordingSpooler();
    RecordingSpooler(const RecordingSpooler&) = delete;
    RecordingSpooler& operator=(const RecordingSpooler&) = delete;

    std::string name() const { return "rec:printer"; }
    std::string missingName() const { return "rec:missing"; }

    // The error an unknown name leaves as the thread's last error.
    static DWORD unknownPrinterError() { return ERROR_INVALID_PRINTER_NAME; }

    // Printer handles open and device contexts not yet deleted.
    int openPrinters() const;
    int liveContexts() const;

    RecordingSetup& setup();

    // The state the functions share (defined with them).
    struct State;

private:
    std::unique_ptr<State> state_;
    winprint::InstalledPrintCalls installed_;
};

// A4 (9), Letter (1), A5 (11) and A3 (8), upright, in that order, no
// margins; A4 is the default at 600 dpi.
std::vector<SpoolerPaper> officePapers();

// What the recording spooler's events call the print job's steps.
inline const PrinterCallNames kRecordingSpoolerCalls{"ResetDCW",  "1",
                                                     "StartDocW", "StartPage",
                                                     "EndPage",   "GetDeviceCaps LOGPIXELS",
                                                     "GetDeviceCaps PHYSICALOFFSET"};

// The form name in a settings record as UTF-8 (at most 32 units, the field
// need not be terminated).
std::string formNameOf(const DEVMODEW& settings);

// UTF-16 text as UTF-8.
std::string utf8(const std::wstring& text);

}  // namespace testsupport
