#include "unit/support/RecordingPrinter.h"

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
    int paperQueries = 0;
};

namespace {

const char* sidesName(Sides sides) {
    switch (sides) {
        case Sides::OneSided: return "one-sided";
        case Sides::LongEdge: return "long-edge";
        case Sides::ShortEdge: return "short-edge";
    }
    return "?";
}

std::string describe(const posix::JobSettings& settings) {
    std::string text = "paper=" + std::to_string(settings.paperId) +
                       " width=" + std::to_string(settings.paperWidth) +
                       " length=" + std::to_string(settings.paperLength) +
                       " orientation=" +
                       (settings.orientation == posix::Orientation::Landscape ? "landscape" : "portrait") +
                       " form=" + posix::toUtf8(settings.paperName);
    // The job controls, only those the job set.
    if (settings.copies) text += " copies=" + std::to_string(*settings.copies);
    if (settings.collate) text += std::string(" collate=") + (*settings.collate ? "1" : "0");
    if (settings.sides) text += std::string(" sides=") + sidesName(*settings.sides);
    if (settings.tray) text += " tray=" + std::to_string(*settings.tray);
    if (settings.colour) text += std::string(" colour=") + (settings.monochrome() ? "monochrome" : "colour");
    return text;
}

const char* metricName(SheetMetric metric) {
    switch (metric) {
        case SheetMetric::DotsPerInchAcross: return "dpiAcross";
        case SheetMetric::DotsPerInchDown: return "dpiDown";
        case SheetMetric::PaperWidth: return "paperWidth";
        case SheetMetric::PaperHeight: return "paperHeight";
        case SheetMetric::MarginLeft: return "marginLeft";
        case SheetMetric::MarginTop: return "marginTop";
        case SheetMetric::PrintableWidth: return "printableWidth";
        case SheetMetric::PrintableHeight: return "printableHeight";
    }
    return "?";
}

// Hundredths of a millimetre to device pixels, truncated.
int pixels(int32_t hundredths, int dpi) {
    return static_cast<int>(int64_t{hundredths} * dpi / 2540);
}

class RecordingContext : public posix::DeviceContext {
public:
    RecordingContext(RecordingPrinter::Shared& shared, const posix::PrinterDriver& driver,
                     const posix::JobSettings& settings)
        : shared_(shared), driver_(driver), paper_(driver.sheetPaperFor(settings)) {
        ++shared_.liveContexts;
        shared_.log.add("createContext " + describe(settings));
    }
    ~RecordingContext() override {
        --shared_.liveContexts;
        shared_.log.add("deleteContext");
    }

    bool reset(const posix::JobSettings& settings) override {
        shared_.log.add("reset " + describe(settings));
        paper_ = driver_.sheetPaperFor(settings);
        return true;
    }
    int startDoc(const std::u16string& title) override {
        shared_.log.add("startDoc " + posix::toUtf8(title));
        return 1;
    }
    int startPage() override { return record("startPage"); }
    int endPage() override {
        if (shared_.setup.endPageError == 0) return record("endPage");
        shared_.log.add("endPage failed");
        SetLastError(shared_.setup.endPageError);
        return 0;
    }
    int endDoc() override { return record("endDoc"); }
    int abortDoc() override { return record("abortDoc"); }

    int32_t measure(SheetMetric metric) const override {
        const int value = metricValue(metric);
        shared_.log.add(std::string("measure ") + metricName(metric) + "=" + std::to_string(value));
        return value;
    }

    cairo_t* cairo() override { return nullptr; }

private:
    int record(const char* event) {
        shared_.log.add(event);
        return 1;
    }

    int metricValue(SheetMetric metric) const {
        const auto overridden = shared_.setup.metricOverrides.find(metric);
        if (overridden != shared_.setup.metricOverrides.end()) return overridden->second;
        const int dpiX = shared_.setup.defaults.dpiX;
        const int dpiY = shared_.setup.defaults.dpiY;
        const posix::Paper& p = paper_;
        switch (metric) {
            case SheetMetric::PrintableWidth: return pixels(p.width - p.marginLeft - p.marginRight, dpiX);
            case SheetMetric::PrintableHeight: return pixels(p.length - p.marginTop - p.marginBottom, dpiY);
            case SheetMetric::DotsPerInchAcross: return dpiX;
            case SheetMetric::DotsPerInchDown: return dpiY;
            case SheetMetric::PaperWidth: return pixels(p.width, dpiX);
            case SheetMetric::PaperHeight: return pixels(p.length, dpiY);
            case SheetMetric::MarginLeft: return pixels(p.marginLeft, dpiX);
            case SheetMetric::MarginTop: return pixels(p.marginTop, dpiY);
        }
        return 0;
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

    std::unique_ptr<posix::JobSink> startJob(const std::string&, const posix::JobSettings&) override {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }

    std::unique_ptr<posix::DeviceContext> createDeviceContext(const posix::JobSettings& settings) override {
        if (shared_->setup.createDeviceContextError != 0) {
            shared_->log.add("createContext failed");
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

RecordingPrinter::RecordingPrinter(EventLog& log, std::string prefix)
    : shared_(std::make_shared<Shared>(log)), prefix_(std::move(prefix)) {
    shared_->setup.papers = officePapers();
    shared_->setup.defaults = posix::PrinterDefaults{0, posix::Orientation::Portrait, 600, 600};
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

int RecordingPrinter::openPrinters() const { return shared_->liveDrivers; }
int RecordingPrinter::liveContexts() const { return shared_->liveContexts; }
RecordingSetup& RecordingPrinter::setup() { return shared_->setup; }

std::vector<posix::Paper> officePapers() {
    return {
        {posix::paper_id::A4, u"A4", 21000, 29700, 0, 0, 0, 0},
        {posix::paper_id::Letter, u"Letter", 21590, 27940, 0, 0, 0, 0},
        {posix::paper_id::A5, u"A5", 14800, 21000, 0, 0, 0, 0},
        {posix::paper_id::A3, u"A3", 29700, 42000, 0, 0, 0, 0},
    };
}

}  // namespace testsupport
