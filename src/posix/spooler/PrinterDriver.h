// Printer drivers on POSIX: what the backend's printers and documents are
// made of, chosen by printer name. "file:PATH" is the built-in
// PDF file printer, names registered with registerPrinterDriver (tests) come
// next, every other name is a CUPS destination.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "posix/KernelApi.h"
#include "posix/spooler/JobSettings.h"
#include "posix/spooler/RasterFormat.h"

namespace posix {

class DeviceContext;

// One paper a printer offers. Sizes and margins in hundredths of a millimetre,
// upright (width across, length down).
struct Paper {
    int16_t id = 0;          // a paper_id, or above kOwnSizePaper
    std::u16string name;     // display name, e.g. u"A4"
    int32_t width = 0, length = 0;
    int32_t marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
};

// One input tray (bin) a printer offers.
struct Tray {
    int16_t id = 0;              // a tray_id, or kFirstNamedTray and up
    std::u16string name;         // display name, e.g. u"Tray 2"
    std::string keyword;         // the spooler's own name, e.g. "tray-2"
};

// The sizes a printer takes besides its papers, hundredths of a millimetre:
// labels cut to length, roll media, a printer that takes custom sizes.
struct CustomSizes {
    int32_t minWidth = 0, minLength = 0;
    int32_t maxWidth = 0, maxLength = 0;
};

struct PrinterDefaults {
    int paperIndex = -1;     // index into papers(), -1 when the printer names none
    Orientation orientation = Orientation::Portrait;
    int dpiX = 600;
    int dpiY = 600;
};

// Where a job handed to the spooler stands, and why, in the spooler's own
// words (its reasons and the printer's message).
struct JobStatus {
    enum class State { Pending, Held, Processing, Stopped, Cancelled, Aborted, Completed };
    State state = State::Completed;
    std::string reasons;
};

// How a job's copies reach the paper.
enum class CopyWay {
    Spooler,          // the spooler or the printer makes them, as the job asks
    InDocument,       // the document holds every copy (a file, a driver that wants manual copies)
    ToldInDocument,   // the document holds one and tells the driver how many (CUPS raster drivers)
};

// Receives the finished document's bytes while it is produced.
class JobSink {
public:
    virtual ~JobSink() = default;
    // The spooler's number for the job.
    virtual int id() const { return 1; }
    // A sheet of this paper begins. false when the job cannot take it, with
    // the last error (and its text) set: nothing of the job may print then.
    virtual bool beginSheet(const Paper& /*paper*/) { return true; }
    // false on failure, with the thread's last error set.
    virtual bool write(const unsigned char* data, size_t length) = 0;
    // The document is complete: submit it. false on failure (last error set).
    virtual bool finish() = 0;
    // Abandon the job: nothing of it may print. Safe after a failure.
    virtual void cancel() = 0;
};

// Ends a job at the end of its document: submitted when the document was
// written whole, else cancelled, keeping the sink's own error (sinkError,
// when one was noted) as the last error. false when nothing was submitted.
bool handOverJob(std::unique_ptr<JobSink> sink, bool written, DWORD sinkError);

class PrinterDriver {
public:
    virtual ~PrinterDriver() = default;

    virtual std::string name() const = 0;         // UTF-8, as opened
    virtual const std::vector<Paper>& papers() const = 0;
    virtual PrinterDefaults defaults() const = 0;

    // What the printer can do beyond its papers.
    virtual std::vector<Tray> trays() const { return {}; }
    virtual bool duplex() const { return false; }
    virtual bool color() const { return true; }
    virtual int maxCopies() const { return 999; }
    // The raster it takes where it takes no PDF; null for a printer of PDF.
    virtual const RasterFormat* rasterFormat() const { return nullptr; }
    // The sizes it takes besides its papers; none by default.
    virtual std::optional<CustomSizes> customSizes() const { return std::nullopt; }
    // How the copies the settings ask for are made.
    virtual CopyWay copyWay(const JobSettings& /*settings*/) const { return CopyWay::Spooler; }

    // Creates the spooler job named by the title (UTF-8), with the job's
    // settings (the copies, collation, sides, tray and colour it asks for). Null on failure, with the thread's last error (and its text) set.
    virtual std::unique_ptr<JobSink> startJob(const std::string& title,
                                              const JobSettings& settings) = 0;

    // Where a job this driver started stands. False with ERROR_INVALID_PARAMETER
    // when the spooler no longer knows it, or with another last error when it
    // cannot be asked. A printer without a queue of its own (a file) has
    // completed every job it was handed.
    virtual bool jobStatus(int /*id*/, JobStatus& status) {
        status = JobStatus{};
        return true;
    }

    // The device context for this printer, set up from the settings. The
    // default places the document's pages (those drawn as well, as the
    // drawing helper hands them back) and hands the PDF to startJob's sink;
    // a printer of raster has every page drawn.
    virtual std::unique_ptr<DeviceContext> createDeviceContext(const JobSettings& settings);

    // The paper the settings describe: by its id when that names one of
    // papers(), otherwise by its size. Margins of a size
    // no paper has are those of the default paper.
    Paper paperFor(const JobSettings& settings) const;
    // The paper a sheet of these settings is: paperFor, or A4 (without
    // margins) for a printer that names no paper at all; a page still needs
    // a sheet.
    Paper sheetPaperFor(const JobSettings& settings) const;
};

using PrinterDriverFactory =
    std::function<std::unique_ptr<PrinterDriver>(const std::string& name)>;

// Makes names beginning with the prefix open through the factory; a later
// registration of the same prefix replaces the earlier. For tests.
void registerPrinterDriver(const std::string& prefix, PrinterDriverFactory factory);
void unregisterPrinterDriver(const std::string& prefix);

// Opens the driver for a printer name (UTF-8). Null on failure, with the
// thread's last error (and its text) set. While a driver of that name is
// open, the same one is shared: a run asks the printer once, and its
// printer and its document see the same papers.
std::shared_ptr<PrinterDriver> openPrinterDriver(const std::string& name);

}  // namespace posix
