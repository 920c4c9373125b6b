#include "posix/drivers/cups/CupsPrinter.h"

#include "posix/drivers/cups/CupsPlugin.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "posix/drivers/cups/CupsError.h"
#include "posix/drivers/cups/CupsHandles.h"
#include "posix/drivers/cups/CupsJob.h"
#include "posix/drivers/cups/CupsJobSettings.h"
#include "posix/drivers/cups/CupsJobStatus.h"
#include "posix/drivers/cups/CupsPaperTable.h"
#include "posix/drivers/cups/CupsPpd.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/LastError.h"

namespace posix {

namespace {

constexpr int kDefaultDpi = 600;

// An option set on the destination itself (lpoptions, an instance), or null.
const char* destOption(const cups_dest_t* dest, const char* name) {
    return cupsGetOption(name, dest->num_options, dest->options);
}

std::vector<CupsMedia> mediaDatabase(cups_dest_t* dest, cups_dinfo_t* info) {
    std::vector<CupsMedia> media;
    const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size;
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT,
                                     &size))
            continue;
        media.push_back({size.media, size.width, size.length, size.left, size.right, size.top,
                         size.bottom});
    }
    return media;
}

// The index of the paper a media name ("iso_a4_210x297mm", "A4", a list
// such as "A4,tray-1") names, or -1.
int paperNamedBy(const std::vector<Paper>& papers, cups_dest_t* dest, cups_dinfo_t* info,
                 const char* media) {
    if (!media || !*media) return -1;
    std::string list = media;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string name = list.substr(start, end - start);
        cups_size_t size;
        if (!name.empty() && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, name.c_str(),
                                                    CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
            const int index = findPaperBySize(papers, size.width, size.length);
            if (index >= 0) return index;
        }
        start = end + 1;
    }
    return -1;
}

// The destination's default paper: its own "media" option, the printer's
// media-default, media-col-default, then what CUPS picks. cupsGetDestMediaDefault
// alone is not enough: it answers US Letter for a queue whose printer says A4.
int defaultPaperIndex(const std::vector<Paper>& papers, cups_dest_t* dest, cups_dinfo_t* info) {
    int index = paperNamedBy(papers, dest, info, destOption(dest, "media"));
    if (index >= 0) return index;

    if (ipp_attribute_t* media = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media");
        media && ippGetValueTag(media) == IPP_TAG_KEYWORD) {
        index = paperNamedBy(papers, dest, info, ippGetString(media, 0, nullptr));
        if (index >= 0) return index;
    }
    if (ipp_attribute_t* col = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media-col");
        col && ippGetValueTag(col) == IPP_TAG_BEGIN_COLLECTION) {
        ipp_t* members = ippGetCollection(col, 0);
        ipp_attribute_t* size = ippFindAttribute(members, "media-size", IPP_TAG_BEGIN_COLLECTION);
        if (ipp_t* dimensions = size ? ippGetCollection(size, 0) : nullptr) {
            ipp_attribute_t* x = ippFindAttribute(dimensions, "x-dimension", IPP_TAG_INTEGER);
            ipp_attribute_t* y = ippFindAttribute(dimensions, "y-dimension", IPP_TAG_INTEGER);
            if (x && y) {
                index = findPaperBySize(papers, ippGetInteger(x, 0), ippGetInteger(y, 0));
                if (index >= 0) return index;
            }
        }
    }
    cups_size_t size;
    if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        index = findPaperBySize(papers, size.width, size.length);
        if (index >= 0) return index;
    }
    return papers.empty() ? -1 : 0;
}

bool isLandscape(int orientationRequested) {
    return orientationRequested == IPP_ORIENT_LANDSCAPE ||
           orientationRequested == IPP_ORIENT_REVERSE_LANDSCAPE;
}

int defaultOrientation(cups_dest_t* dest, cups_dinfo_t* info) {
    if (const char* value = destOption(dest, "orientation-requested"))
        return isLandscape(std::atoi(value)) ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    if (const char* value = destOption(dest, "landscape")) {
        const bool off = !strcasecmp(value, "no") || !strcasecmp(value, "off") ||
                         !strcasecmp(value, "false");
        return off ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    }
    ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info,
                                                "orientation-requested");
    if (attr && ippGetValueTag(attr) == IPP_TAG_ENUM && isLandscape(ippGetInteger(attr, 0)))
        return DMORIENT_LANDSCAPE;
    return DMORIENT_PORTRAIT;
}

int toDpi(int value, ipp_res_t units) {
    return units == IPP_RES_PER_CM ? static_cast<int>(value * 2.54 + 0.5) : value;
}

// "300dpi", "300x600dpi", "118dpcm".
bool parseResolution(const char* text, int& dpiX, int& dpiY) {
    int x = 0, y = 0, used = 0;
    if (std::sscanf(text, "%dx%d%n", &x, &y, &used) != 2) {
        if (std::sscanf(text, "%d%n", &x, &used) != 1) return false;
        y = x;
    }
    const char* units = text + used;
    const ipp_res_t kind = !strcasecmp(units, "dpcm") ? IPP_RES_PER_CM : IPP_RES_PER_INCH;
    if ((kind == IPP_RES_PER_INCH && strcasecmp(units, "dpi") != 0) || x <= 0 || y <= 0)
        return false;
    dpiX = toDpi(x, kind);
    dpiY = toDpi(y, kind);
    return true;
}

void defaultResolution(cups_dest_t* dest, cups_dinfo_t* info, int& dpiX, int& dpiY) {
    dpiX = dpiY = kDefaultDpi;
    if (const char* value = destOption(dest, "printer-resolution"); value &&
        parseResolution(value, dpiX, dpiY))
        return;
    ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info,
                                                "printer-resolution");
    if (attr && ippGetValueTag(attr) == IPP_TAG_RESOLUTION) {
        ipp_res_t units;
        int y = 0;
        const int x = ippGetResolution(attr, 0, &y, &units);
        if (x > 0 && y > 0) {
            dpiX = toDpi(x, units);
            dpiY = toDpi(y, units);
        }
    }
}

// The device URI without any user name or password in it.
std::string withoutCredentials(const char* uri) {
    std::string text = uri ? uri : "";
    const size_t scheme = text.find("://");
    if (scheme == std::string::npos) return text;
    const size_t hostStart = scheme + 3;
    const size_t at = text.find('@', hostStart);
    const size_t slash = text.find('/', hostStart);
    if (at != std::string::npos && (slash == std::string::npos || at < slash))
        text.erase(hostStart, at + 1 - hostStart);
    return text;
}

// Whether the queue's device is reached over IPP: its backend then passes
// the job's attributes on to the printer, whatever the driver.
bool deviceTakesIppAttributes(const char* deviceUri) {
    const std::string uri = deviceUri ? deviceUri : "";
    for (const char* scheme : {"ipp:", "ipps:", "http:", "https:", "dnssd:", "implicitclass:"})
        if (uri.rfind(scheme, 0) == 0) return true;
    return false;
}

class CupsPrinterDriver : public PrinterDriver {
public:
    CupsPrinterDriver(std::string name, std::shared_ptr<const CupsDestination> destination,
                      std::shared_ptr<CupsPpd> ppd)
        : name_(std::move(name)), destination_(std::move(destination)), ppd_(std::move(ppd)) {
        cups_dest_t* dest = destination_->dest.get();
        cups_dinfo_t* info = destination_->info.get();
        papers_ = buildPaperTable(mediaDatabase(dest, info));
        capabilities_ = cupsCapabilities(dest, info);
        defaults_.paperIndex = defaultPaperIndex(papers_, dest, info);
        defaults_.orientation = defaultOrientation(dest, info);
        defaultResolution(dest, info, defaults_.dpiX, defaults_.dpiY);
        if (const char* model = destOption(dest, "printer-make-and-model")) driverName_ = model;
        portName_ = withoutCredentials(destOption(dest, "device-uri"));
        if (portName_.empty()) {
            portName_ = withoutCredentials(destOption(dest, "printer-uri-supported"));
        }
        // A driver whose PDF goes to the printer as it is, over a device that
        // knows nothing of IPP, can tell the printer only what its job
        // control says: nothing else is offered.
        framedOnly_ = ppd_ && ppd_->passesPdfThrough() && !deviceTakesIppAttributes(destOption(dest, "device-uri"));
        if (framedOnly_) {
            capabilities_.duplex = capabilities_.duplex && ppd_->framesTwoSided();
            std::erase_if(capabilities_.trays, [this](const Tray& tray) {
                return !ppd_->framesInputSlot(ppd_->inputSlotFor(tray.keyword, tray.name));
            });
        }
    }

    std::string name() const override { return name_; }
    std::string driverName() const override { return driverName_; }
    std::string portName() const override { return portName_; }
    const std::vector<Paper>& papers() const override { return papers_; }
    PrinterDefaults defaults() const override { return defaults_; }

    std::vector<Tray> trays() const override { return capabilities_.trays; }
    bool duplex() const override { return capabilities_.duplex; }
    bool color() const override { return capabilities_.color; }
    int maxCopies() const override {
        // Copies the document holds are not the printer's to limit.
        return copiesInDocument() ? std::max(capabilities_.maxCopies, 999) : capabilities_.maxCopies;
    }
    bool copiesInDocument() const override { return ppd_ && ppd_->manualCopies(); }

    std::unique_ptr<JobSink> startJob(const std::string& title, const DEVMODEW& settings) override {
        std::vector<std::pair<std::string, std::string>> options = cupsJobOptions(settings, capabilities_.trays);
        if (!ppd_) return CupsJob::start(destination_, title, options);

        // The copies are in the document: the printer makes one of it.
        if (copiesInDocument())
            std::erase_if(options, [](const auto& option) {
                return option.first == "copies" || option.first == "multiple-document-handling" ||
                       option.first == "Collate";
            });
        DriverChoices choices;
        for (auto& [name, value] : options) {
            if (name == "sides") choices.sides = value;
        }
        if (hasField(settings, DM_DEFAULTSOURCE)) {
            for (const Tray& tray : capabilities_.trays)
                if (tray.id == settings.dmDefaultSource) choices.inputSlot = ppd_->inputSlotFor(tray.keyword, tray.name);
            for (auto& [name, value] : options)
                if (name == "InputSlot" && !choices.inputSlot.empty()) value = choices.inputSlot;
        }
        if (hasField(settings, DM_COLOR)) {
            const bool monochrome = settings.dmColor == DMCOLOR_MONOCHROME;
            choices.colorModel = ppd_->colorModelFor(monochrome);
            if (framedOnly_ && monochrome && !ppd_->framesColorModel(choices.colorModel)) {
                setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
                                 "Color=mono is not offered by the printer: its driver has no "
                                 "monochrome mode");
                return nullptr;
            }
            if (!choices.colorModel.empty()) options.emplace_back("ColorModel", choices.colorModel);
        }
        JobFrame frame;
        if (ppd_->passesPdfThrough() && ppd_->framesPdf()) {
            const std::string jobName = jobNameForTitle(title);
            frame.start = [ppd = ppd_, destination = destination_, choices, jobName](int id) {
                const char* user = cupsUser();
                return ppd->frameStart(destination->dest.get(), choices, id, user ? user : "", jobName);
            };
            frame.end = [ppd = ppd_] { return ppd->frameEnd(); };
        }
        return CupsJob::start(destination_, title, options, std::move(frame));
    }

    bool jobStatus(int id, JobStatus& status) override { return cupsJobStatus(*destination_, id, status); }

private:
    std::string name_;
    std::shared_ptr<const CupsDestination> destination_;
    std::shared_ptr<CupsPpd> ppd_;     // the queue's driver, null when driverless
    bool framedOnly_ = false;          // only the driver's job control reaches the printer
    std::vector<Paper> papers_;
    CupsCapabilities capabilities_;
    PrinterDefaults defaults_;
    std::string driverName_;
    std::string portName_;
};

// Sets the last error for a destination cupsGetNamedDest did not return.
// CUPS reports an unreachable scheduler as "does not exist", so ask the
// scheduler itself before blaming the name.
void explainMissingDest() {
    const ipp_status_t status = cupsLastError();
    const std::string message = cupsLastErrorString() ? cupsLastErrorString() : "";
    if (!connectToScheduler()) {
        setSchedulerUnreachable();
        return;
    }
    std::string text = message.empty() ? ippErrorString(status) : message;
    if (status == IPP_STATUS_ERROR_NOT_FOUND) text += " (CUPS server " + schedulerName() + ")";
    setLastErrorText(QUORLEX_IPP_ERROR_BASE + static_cast<DWORD>(status), text);
}

}  // namespace

std::unique_ptr<PrinterDriver> openCupsDestination(const std::string& name) {
    // "printer/instance" names an lpoptions instance of the printer.
    const size_t slash = name.find('/');
    const std::string queue = name.substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : name.substr(slash + 1);
    if (queue.empty()) {
        setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_NOT_FOUND,
                         "No printer name given");
        return nullptr;
    }

    OwnedDest dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(),
                                    instance.empty() ? nullptr : instance.c_str()));
    if (!dest) {
        explainMissingDest();
        return nullptr;
    }
    OwnedDestInfo info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    if (!info) {
        if (!connectToScheduler())
            setSchedulerUnreachable();
        else
            setLastErrorFromCups("Unable to read what the printer supports");
        return nullptr;
    }
    auto destination = std::make_shared<CupsDestination>();
    destination->dest = std::move(dest);
    destination->info = std::move(info);
    std::shared_ptr<CupsPpd> ppd;
    if (HttpConnection http = connectToScheduler()) ppd = CupsPpd::fetch(http.get(), queue);
    return std::make_unique<CupsPrinterDriver>(name, std::move(destination), std::move(ppd));
}

}  // namespace posix

namespace {

posix::PrinterDriver* openPrinter(const char* name) {
    return posix::openCupsDestination(name ? name : "").release();
}

const char* statusText(unsigned status) { return ippErrorString(static_cast<ipp_status_t>(status)); }

const posix::CupsPlugin plugin{openPrinter, statusText};

}  // namespace

extern "C" const posix::CupsPlugin* quorlexCupsPlugin() { return &plugin; }
