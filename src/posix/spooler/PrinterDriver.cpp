#include "posix/spooler/PrinterDriver.h"

#include <algorithm>
#include <map>

#include "posix/drivers/cups/CupsPrinter.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/drivers/file/FilePrinter.h"
#include "posix/winapi/Utf.h"
#include "posix/assembly/AssemblyDeviceContext.h"
#include "posix/drawing/DrawingPlugin.h"
#include "posix/pdf/RenderMode.h"

namespace posix {

namespace {

// Constructed on first use: tests register drivers from their own static
// objects, whose order against this file's is not fixed.
std::map<std::string, PrinterDriverFactory>& registry() {
    static std::map<std::string, PrinterDriverFactory> factories;
    return factories;
}

// The registered factory whose prefix begins the name; the longest prefix
// wins, so "rec:slow:" can sit beside "rec:".
const PrinterDriverFactory* registeredFactory(const std::string& name) {
    const PrinterDriverFactory* best = nullptr;
    size_t bestLength = 0;
    for (const auto& [prefix, factory] : registry()) {
        if (name.compare(0, prefix.size(), prefix) == 0 && (!best || prefix.size() > bestLength)) {
            best = &factory;
            bestLength = prefix.size();
        }
    }
    return best;
}

int16_t clampShort(int32_t value) {
    return static_cast<int16_t>(std::clamp<int32_t>(value, 0, INT16_MAX));
}

}  // namespace

void registerPrinterDriver(const std::string& prefix, PrinterDriverFactory factory) {
    registry()[prefix] = std::move(factory);
}

void unregisterPrinterDriver(const std::string& prefix) { registry().erase(prefix); }

std::shared_ptr<PrinterDriver> openPrinterDriver(const std::string& name) {
    static std::map<std::string, std::weak_ptr<PrinterDriver>> open;
    if (std::shared_ptr<PrinterDriver> driver = open[name].lock()) return driver;
    std::shared_ptr<PrinterDriver> driver;
    if (isFilePrinterName(name)) {
        driver = openFilePrinterDriver(name);
    } else if (const PrinterDriverFactory* factory = registeredFactory(name)) {
        driver = (*factory)(name);
    } else {
        driver = openCupsPrinterDriver(name);
    }
    if (driver) {
        open[name] = driver;
    } else {
        open.erase(name);
    }
    return driver;
}

std::unique_ptr<DeviceContext> PrinterDriver::createDeviceContext(const JobSettings& settings) {
    // A printer of raster has every page drawn for it.
    if (const RasterFormat* raster = rasterFormat()) {
        drawing::DrawingPlugin* plugin = drawing::drawingPlugin();
        return plugin ? plugin->rasterDeviceContext(*this, settings, *raster) : nullptr;
    }
    // Pages that are drawn come back from the drawing helper as PDF, and
    // are placed like the others.
    return std::make_unique<assembly::AssemblyDeviceContext>(*this, settings);
}

Paper PrinterDriver::paperFor(const JobSettings& settings) const {
    const std::vector<Paper>& list = papers();
    if (settings.paperId > 0) {
        for (const Paper& paper : list) {
            if (paper.id == settings.paperId) return paper;
        }
    }

    const int index = defaults().paperIndex;
    Paper fallback;
    if (index >= 0 && static_cast<size_t>(index) < list.size()) fallback = list[index];

    const bool hasWidth = settings.paperWidth > 0;
    const bool hasLength = settings.paperLength > 0;
    if (!hasWidth && !hasLength) return fallback;

    // A size given in tenths: the listed paper of that size, else a paper of
    // its own with the default paper's margins (a missing dimension is
    // taken from the default paper too).
    const int32_t width = hasWidth ? settings.paperWidth : toTenths(fallback.width);
    const int32_t length = hasLength ? settings.paperLength : toTenths(fallback.length);
    for (const Paper& paper : list) {
        if (toTenths(paper.width) == width && toTenths(paper.length) == length) return paper;
    }
    Paper custom = fallback;
    custom.id = kOwnSizePaper;
    custom.name = u"Custom";
    custom.width = width * 10;
    custom.length = length * 10;
    // Margins that would leave no printable area are dropped.
    if (custom.marginLeft + custom.marginRight >= custom.width) custom.marginLeft = custom.marginRight = 0;
    if (custom.marginTop + custom.marginBottom >= custom.length) custom.marginTop = custom.marginBottom = 0;
    return custom;
}

Paper PrinterDriver::sheetPaperFor(const JobSettings& settings) const {
    Paper paper = paperFor(settings);
    if (paper.width <= 0 || paper.length <= 0) paper = Paper{paper_id::A4, u"A4", 21000, 29700, 0, 0, 0, 0};
    return paper;
}

DocumentCopies documentCopies(const PrinterDriver& driver, const JobSettings& settings, bool canTell) {
    DocumentCopies result;
    const CopyWay way = driver.copyWay(settings);
    if (way == CopyWay::Spooler || settings.copiesAsked() <= 1) return result;
    if (way == CopyWay::ToldInDocument && canTell) {
        result.told = settings.copiesAsked();
        return result;
    }
    result.copies = settings.copiesAsked();
    result.collated = settings.collated();
    result.twoSided = driver.duplex() && settings.twoSided();
    return result;
}

std::u16string cutName(const std::u16string& name, size_t capacity) {
    if (capacity == 0) return {};
    size_t units = std::min(name.size(), capacity - 1);
    if (units > 0 && units < name.size() && name[units - 1] >= 0xD800 && name[units - 1] <= 0xDBFF)
        --units;
    return name.substr(0, std::min(units, name.find(u'\0')));
}

JobSettings defaultSettings(const PrinterDriver& driver) {
    JobSettings settings;
    const PrinterDefaults defaults = driver.defaults();
    settings.orientation = defaults.orientation;
    // What 16 bits carry, as a driver's settings hold them.
    settings.dpiX = clampShort(defaults.dpiX);
    settings.dpiY = clampShort(defaults.dpiY);

    const std::vector<Paper>& list = driver.papers();
    if (defaults.paperIndex >= 0 && static_cast<size_t>(defaults.paperIndex) < list.size()) {
        const Paper& paper = list[defaults.paperIndex];
        settings.paperId = paper.id;
        settings.paperName = paper.name;
        settings.paperWidth = clampShort(toTenths(paper.width));
        settings.paperLength = clampShort(toTenths(paper.length));
    }
    return settings;
}

bool handOverJob(std::unique_ptr<JobSink> sink, bool written, DWORD sinkError) {
    if (!written) {
        sink->cancel();
        // Cancelling may set an error of its own; the sink's first one says why.
        if (sinkError && GetLastError() != sinkError) SetLastError(sinkError);
        return false;
    }
    if (sink->finish()) return true;
    sink->cancel();
    return false;
}

}  // namespace posix
