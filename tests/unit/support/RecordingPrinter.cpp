#include "unit/support/RecordingPrinter.h"

#include <algorithm>
#include <utility>

#include "posix/spooler/DeviceContext.h"
#include "posix/winapi/LastError.h"
#include "posix/winapi/Utf.h"

namespace testsupport {

struct RecordingPrinter::Shared {
    explicit Shared(EventLog& eventLog) : log(eventLog) {}
    EventLog& log;
    RecordingSetup setup;
    int liveDrivers = 0;
    int liveContexts = 0;
    int recordQueries = 0;
    int paperQueries = 0;
};

namespace {

std::string describe(const DEVMODEW& settings) {
    std::string text = "paper=" + std::to_string(settings.dmPaperSize) +
                       " width=" + std::to_string(settings.dmPaperWidth) +
                       " length=" + std::to_string(settings.dmPaperLength) +
                       " orientation=" + std::to_string(settings.dmOrientation) +
                       " form=" + formNameOf(settings);
    // The job controls, only where their flags say they are set.
    const auto field = [&](DWORD flag, const char* name, int value) {
        if (settings.dmFields & flag) text += std::string(" ") + name + "=" + std::to_string(value);
    };
    field(DM_COPIES, "copies", settings.dmCopies);
    field(DM_COLLATE, "collate", settings.dmCollate);
    field(DM_DUPLEX, "duplex", settings.dmDuplex);
    field(DM_DEFAULTSOURCE, "source", settings.dmDefaultSource);
    field(DM_COLOR, "color", settings.dmColor);
    return text;
}

const char* capsName(int index) {
    switch (index) {
        case HORZRES: return "HORZRES";
        case VERTRES: return "VERTRES";
        case LOGPIXELSX: return "LOGPIXELSX";
        case LOGPIXELSY: return "LOGPIXELSY";
        case PHYSICALWIDTH: return "PHYSICALWIDTH";
        case PHYSICALHEIGHT: return "PHYSICALHEIGHT";
        case PHYSICALOFFSETX: return "PHYSICALOFFSETX";
        case PHYSICALOFFSETY: return "PHYSICALOFFSETY";
        default: return "?";
    }
}

// Hundredths of a millimetre to device pixels, truncated.
int pixels(int32_t hundredths, int dpi) {
    return static_cast<int>(int64_t{hundredths} * dpi / 2540);
}

class RecordingContext : public posix::DeviceContext {
public:
    RecordingContext(RecordingPrinter::Shared& shared, const posix::PrinterDriver& driver,
                     const DEVMODEW& settings)
        : shared_(shared), driver_(driver), paper_(driver.sheetPaperFor(settings)) {
        ++shared_.liveContexts;
        shared_.log.add("CreateDCW " + describe(settings));
    }
    ~RecordingContext() override {
        --shared_.liveContexts;
        shared_.log.add("DeleteDC");
    }

    bool reset(const DEVMODEW& settings) override {
        shared_.log.add("ResetDCW " + describe(settings));
        paper_ = driver_.sheetPaperFor(settings);
        return true;
    }
    int startDoc(const std::u16string& title) override {
        shared_.log.add("StartDocW " + posix::toUtf8(title));
        return 1;
    }
    int startPage() override { return record("StartPage"); }
    int endPage() override {
        if (shared_.setup.endPageError == 0) return record("EndPage");
        shared_.log.add("EndPage failed");
        SetLastError(shared_.setup.endPageError);
        return 0;
    }
    int endDoc() override { return record("EndDoc"); }
    int abortDoc() override { return record("AbortDoc"); }

    int getDeviceCaps(int index) const override {
        const int value = capsValue(index);
        shared_.log.add(std::string("GetDeviceCaps ") + capsName(index) + "=" +
                        std::to_string(value));
        return value;
    }

    cairo_t* cairo() override { return nullptr; }

private:
    int record(const char* event) {
        shared_.log.add(event);
        return 1;
    }

    int capsValue(int index) const {
        const auto overridden = shared_.setup.deviceCapsOverrides.find(index);
        if (overridden != shared_.setup.deviceCapsOverrides.end()) return overridden->second;
        const int dpiX = shared_.setup.defaults.dpiX;
        const int dpiY = shared_.setup.defaults.dpiY;
        const posix::Paper& p = paper_;
        switch (index) {
            case HORZRES: return pixels(p.width - p.marginLeft - p.marginRight, dpiX);
            case VERTRES: return pixels(p.length - p.marginTop - p.marginBottom, dpiY);
            case LOGPIXELSX: return dpiX;
            case LOGPIXELSY: return dpiY;
            case PHYSICALWIDTH: return pixels(p.width, dpiX);
            case PHYSICALHEIGHT: return pixels(p.length, dpiY);
            case PHYSICALOFFSETX: return pixels(p.marginLeft, dpiX);
            case PHYSICALOFFSETY: return pixels(p.marginTop, dpiY);
            default: return 0;
        }
    }

    RecordingPrinter::Shared& shared_;
    const posix::PrinterDriver& driver_;
    posix::Paper paper_;
};

class RecordingDriver : public posix::PrinterDriver {
public:
    RecordingDriver(std::string name, std::shared_ptr<RecordingPrinter::Shared> shared)
        : name_(std::move(name)), shared_(std::move(shared)) {
        ++shared_->liveDrivers;
    }
    ~RecordingDriver() override { --shared_->liveDrivers; }

    std::string name() const override { return name_; }
    std::string driverName() const override { return "Recording test driver"; }
    std::string portName() const override {
        if (!shared_->setup.recordGrowsBetweenQueries) return "recording";
        return "recording" + std::string(static_cast<size_t>(32 * ++shared_->recordQueries), '+');
    }
    const std::vector<posix::Paper>& papers() const override {
        const RecordingSetup& setup = shared_->setup;
        if (setup.papersChangeAfterFirstQuery && shared_->paperQueries++ > 0)
            return *setup.papersChangeAfterFirstQuery;
        return setup.papers;
    }
    posix::PrinterDefaults defaults() const override { return shared_->setup.defaults; }
    std::vector<posix::Tray> trays() const override { return shared_->setup.trays; }
    bool duplex() const override { return shared_->setup.duplex; }
    bool color() const override { return shared_->setup.color; }
    int maxCopies() const override { return shared_->setup.maxCopies; }
    std::optional<posix::CustomSizes> customSizes() const override { return shared_->setup.customSizes; }

    std::unique_ptr<posix::JobSink> startJob(const std::string&, const DEVMODEW&) override {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }

    std::unique_ptr<posix::DeviceContext> createDeviceContext(const DEVMODEW& settings, bool) override {
        if (shared_->setup.createDeviceContextError != 0) {
            shared_->log.add("CreateDCW failed");
            SetLastError(shared_->setup.createDeviceContextError);
            return nullptr;
        }
        return std::make_unique<RecordingContext>(*shared_, *this, settings);
    }

private:
    std::string name_;
    std::shared_ptr<RecordingPrinter::Shared> shared_;
};

}  // namespace

std::vector<std::string> EventLog::startingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& event : events) {
        if (event.compare(0, prefix.size(), prefix) == 0) found.push_back(event);
    }
    return found;
}

RecordingPrinter::RecordingPrinter(EventLog& log, std::string prefix)
    : shared_(std::make_shared<Shared>(log)), prefix_(std::move(prefix)) {
    shared_->setup.papers = officePapers();
    shared_->setup.defaults = posix::PrinterDefaults{0, DMORIENT_PORTRAIT, 600, 600};
    const std::string missing = missingName();
    posix::registerPrinterDriver(
        prefix_, [shared = shared_, missing](const std::string& name)
                     -> std::unique_ptr<posix::PrinterDriver> {
            if (name.compare(0, missing.size(), missing) == 0) {
                posix::setLastErrorText(unknownPrinterError(),
                                        "The printer or class does not exist");
                return nullptr;
            }
            return std::make_unique<RecordingDriver>(name, shared);
        });
}

RecordingPrinter::~RecordingPrinter() { posix::unregisterPrinterDriver(prefix_); }

DWORD RecordingPrinter::unknownPrinterError() { return QUORLEX_IPP_ERROR_BASE + 0x0406; }

int RecordingPrinter::liveDrivers() const { return shared_->liveDrivers; }
int RecordingPrinter::liveContexts() const { return shared_->liveContexts; }
RecordingSetup& RecordingPrinter::setup() { return shared_->setup; }

std::vector<posix::Paper> officePapers() {
    return {
        {DMPAPER_A4, u"A4", 21000, 29700, 0, 0, 0, 0},
        {DMPAPER_LETTER, u"Letter", 21590, 27940, 0, 0, 0, 0},
        {DMPAPER_A5, u"A5", 14800, 21000, 0, 0, 0, 0},
        {DMPAPER_A3, u"A3", 29700, 42000, 0, 0, 0, 0},
    };
}

std::string formNameOf(const DEVMODEW& settings) {
    const WCHAR* field = settings.dmFormName;
    const size_t length = std::find(field, field + CCHFORMNAME, u'\0') - field;
    return posix::toUtf8(std::u16string(field, length));
}

}  // namespace testsupport
