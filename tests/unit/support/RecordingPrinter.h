// A printer driver for unit tests of the print job: papers, defaults, margins
// and resolution as the test sets them, and a device context that draws
// nothing but writes every call it gets, with its arguments, into an event
// log. Also a log target that keeps what the writers send it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/EventLog.h"
#include "common/PrintJobFixture.h"
#include "plat/LogWriter.h"
#include "unit/support/LogRecording.h"
#include "posix/spooler/PrinterDriver.h"

namespace testsupport {

// What every driver opened through one RecordingPrinter offers and does.
struct RecordingSetup {
    std::vector<posix::Paper> papers;
    posix::PrinterDefaults defaults;
    // What the sheet measures instead of the values worked out from the paper.
    std::map<SheetMetric, int> metricOverrides;
    // Creating the device context fails with this last error when not 0.
    DWORD createDeviceContextError = 0;
    // Every endPage fails with this last error when not 0.
    DWORD endPageError = 0;
    // A paper list that every query after the first gives instead.
    std::optional<std::vector<posix::Paper>> papersChangeAfterFirstQuery;
    // What the printer offers beyond its papers.
    std::vector<posix::Tray> trays;
    bool duplex = false;
    bool color = true;
    int maxCopies = 999;
    std::optional<posix::CustomSizes> customSizes;
};

// Registers names beginning with the prefix for its lifetime. Every such
// name opens, except those that continue with "missing".
class RecordingPrinter {
public:
    explicit RecordingPrinter(EventLog& log, std::string prefix = "rec:");
    ~RecordingPrinter();
    RecordingPrinter(const RecordingPrinter&) = delete;
    RecordingPrinter& operator=(const RecordingPrinter&) = delete;

    std::string name() const { return prefix_ + "printer"; }
    std::string missingName() const { return prefix_ + "missing"; }

    // The error an unknown name leaves as the thread's last error.
    static DWORD unknownPrinterError();

    // Drivers and device contexts in existence now (open printer handles,
    // contexts not yet deleted).
    int openPrinters() const;
    int liveContexts() const;

    RecordingSetup& setup();

    // The state the drivers of this printer share (defined with them).
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::string prefix_;
};

// A4 (9), Letter (1), A5 (11) and A3 (8), upright, in that order, no
// margins; A4 is the default at 600 dpi.
std::vector<posix::Paper> officePapers();

// What the recording printer's events call the print job's steps.
inline const PrinterCallNames kRecordingPrinterCalls{"reset",   "portrait",    "startDoc",      "startPage",
                                                     "endPage", "measure dpi", "measure margin"};

}  // namespace testsupport
