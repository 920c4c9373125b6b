#include "posix/drivers/cups/CupsPrinter.h"

#include "posix/drivers/cups/CupsPlugin.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "posix/drivers/cups/CupsClass.h"
#include "posix/drivers/cups/CupsDescription.h"
#include "posix/drivers/cups/CupsDevice.h"
#include "posix/drivers/cups/CupsError.h"
#include "posix/drivers/cups/CupsHandles.h"
#include "posix/drivers/cups/CupsJob.h"
#include "posix/drivers/cups/CupsJobSettings.h"
#include "posix/drivers/cups/CupsJobStatus.h"
#include "posix/drivers/cups/CupsLogin.h"
#include "posix/drivers/cups/CupsOnePaper.h"
#include "posix/drivers/cups/CupsPpd.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/Utf.h"

namespace posix {

namespace {

class CupsPrinterDriver : public PrinterDriver {
public:
    CupsPrinterDriver(std::string name, std::shared_ptr<const CupsDestination> destination,
                      std::shared_ptr<CupsPpd> ppd, CupsDescription description)
        : name_(std::move(name)), destination_(std::move(destination)), ppd_(std::move(ppd)),
          papers_(std::move(description.papers)), customSizes_(description.customSizes),
          rollMedia_(description.rollMedia), deviceTakesIpp_(description.deviceTakesIpp),
          capabilities_(std::move(description.capabilities)),
          defaults_(description.defaults),
          portName_(std::move(description.portName)) {
        // A driver whose PDF goes to the printer as it is, over a device that
        // knows nothing of IPP, can tell the printer only what its job
        // control says: nothing else is offered.
        framedOnly_ = ppd_ && ppd_->passesPdfThrough() && !description.deviceTakesIpp;
        if (ppd_) readInputSlots();
        if (framedOnly_) {
            capabilities_.duplex = capabilities_.duplex && ppd_->framesTwoSided();
            std::erase_if(capabilities_.trays, [this](const Tray& tray) {
                return !ppd_->framesInputSlot(inputSlotOf(tray));
            });
        }
    }

    std::string name() const override { return name_; }
    const std::vector<Paper>& papers() const override { return papers_; }
    std::optional<CustomSizes> customSizes() const override { return customSizes_; }
    PrinterDefaults defaults() const override { return defaults_; }

    std::vector<Tray> trays() const override { return capabilities_.trays; }
    bool duplex() const override { return capabilities_.duplex; }
    bool color() const override { return capabilities_.color; }
    const RasterFormat* rasterFormat() const override {
        return destination_->raster ? &*destination_->raster : nullptr;
    }

    int maxCopies() const override {
        // Copies the document holds or tells are not the printer's to limit.
        const bool documentMakes = (ppd_ && (ppd_->manualCopies() || ppd_->chain() == DriverChain::Raster ||
                                             ppd_->chain() == DriverChain::Pdf)) ||
                                   rasterMakesCopies();
        return documentMakes ? std::max(capabilities_.maxCopies, 999) : capabilities_.maxCopies;
    }

    // CUPS's PDF filter, which makes copies for drivers, never runs on the
    // laid out PDF, so the program does what it would: the document holds
    // the copies for a driver that wants manual copies or takes the PDF
    // itself; a raster driver, which makes the copies of each page, is told
    // their number in the document (its raster filter reads it there), and
    // collated copies, which it cannot make, are in the document. The
    // PostScript filter makes copies itself; a PDF printer is asked.
    CopyWay copyWay(const JobSettings& settings) const override {
        if (rasterMakesCopies()) return CopyWay::InDocument;
        if (!ppd_) return CopyWay::Spooler;
        if (ppd_->manualCopies()) return CopyWay::InDocument;
        switch (ppd_->chain()) {
            case DriverChain::Pdf: return CopyWay::InDocument;
            case DriverChain::Raster: {
                // Over IPP the printer is asked for the copies of its job.
                if (deviceTakesIpp_) return CopyWay::Spooler;
                return settings.collated() ? CopyWay::InDocument : CopyWay::ToldInDocument;
            }
            default: return CopyWay::Spooler;
        }
    }

    // A queue whose driver could not be read may need the job's controls
    // made in ways only the driver tells (manual copies, job control):
    // they are refused rather than sent where they may be dropped.
    void driverUnreadable(std::string why) { driverUnreadable_ = std::move(why); }

    std::unique_ptr<JobSink> startJob(const std::string& title, const JobSettings& settings) override {
        if (!driverUnreadable_.empty() && asksForControls(settings)) {
            setIppError(IPP_STATUS_ERROR_INTERNAL, "The job's copies, sides, tray or colour cannot be honoured: "
                                                   "the printer's driver (PPD) is unknown, " + driverUnreadable_);
            return nullptr;
        }
        std::vector<std::pair<std::string, std::string>> options =
            cupsJobOptions(settings, capabilities_.trays, destination_->direct());
        // The copies are in the document, or told there: the job asks for one.
        if (copyWay(settings) != CopyWay::Spooler)
            std::erase_if(options, [](const auto& option) {
                return option.first == "copies" || option.first == "multiple-document-handling" ||
                       option.first == "Collate";
            });
        if (!ppd_ && destination_->raster && rollMedia_) return labelJob(title, options, settings);
        if (!ppd_) return CupsJob::start(destination_, title, options, {}, printedAs_);

        DriverChoices choices;
        for (auto& [name, value] : options) {
            if (name == "sides") choices.sides = value;
        }
        if (settings.tray) {
            for (const Tray& tray : capabilities_.trays)
                if (tray.id == *settings.tray) choices.inputSlot = inputSlotOf(tray);
            for (auto& [name, value] : options)
                if (name == "InputSlot" && !choices.inputSlot.empty()) value = choices.inputSlot;
            // The driver's own choice says it: the scheduler's reading of
            // the IPP keyword beside it takes some drivers' trays (hpcups'
            // "bottom") for the automatic one.
            if (!choices.inputSlot.empty())
                std::erase_if(options, [](const auto& option) { return option.first == "media-source"; });
        }
        if (settings.colour) {
            const bool monochrome = settings.monochrome();
            choices.colorModel = ppd_->colorModelFor(monochrome);
            if (framedOnly_ && monochrome && !ppd_->framesColorModel(choices.colorModel)) {
                setIppError(IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
                            "Color=mono is not offered by the printer: its driver has no monochrome mode");
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
        std::unique_ptr<CupsJob> job = CupsJob::start(destination_, title, options, std::move(frame), printedAs_);
        if (job && ppd_->takesOnePaperPerJob())
            job->checkSheets(OnePaperJob(destination_, ppd_, "The printer's driver (" + ppd_->driverProgram() + ")"));
        else if (job && labelQueue())
            job->checkSheets(OnePaperJob(destination_, ppd_, "The label printer of " + name_));
        return job;
    }

    bool jobStatus(int id, JobStatus& status) override {
        // A job sent with Print-Job has the printer's number only once sent.
        if (id == kProvisionalJobId && *printedAs_ > 0) id = *printedAs_;
        return cupsJobStatus(*destination_, id, status);
    }

private:
    // The scheduler lists a driver's trays in the order of its InputSlot
    // choices, naming them as IPP does ("bottom" for "Lower"): by their
    // place, each tray is the choice at its place; where the counts differ,
    // the choice is found by its name.
    void readInputSlots() {
        const std::vector<std::string> slots = ppd_->inputSlots();
        if (slots.size() != capabilities_.trays.size()) return;
        for (size_t i = 0; i < slots.size(); ++i) slotOfTray_[capabilities_.trays[i].id] = slots[i];
    }
    std::string inputSlotOf(const Tray& tray) const {
        const auto found = slotOfTray_.find(tray.id);
        return found != slotOfTray_.end() ? found->second : ppd_->inputSlotFor(tray.keyword, tray.name);
    }

    // A label printer (raster, sizes of its own) prints every label of a job
    // on the job's media: the job is made with its first sheet's size.
    std::unique_ptr<JobSink> labelJob(const std::string& title, std::vector<std::pair<std::string, std::string>> options,
                                      const JobSettings& settings) {
        auto make = [destination = destination_, title, options, printedAs = printedAs_](const Paper& paper) {
            std::vector<std::pair<std::string, std::string>> withSize = options;
            const std::string size = "media-size={x-dimension=" + std::to_string(paper.width) +
                                     " y-dimension=" + std::to_string(paper.length) + "}";
            bool merged = false;
            for (auto& [name, value] : withSize) {
                if (name != "media-col" || value.empty()) continue;
                value = "{" + size + " " + value.substr(1);
                merged = true;
            }
            if (!merged) withSize.emplace_back("media-col", "{" + size + "}");
            return CupsJob::start(destination, title, withSize, {}, printedAs);
        };
        return std::make_unique<LabelJob>(portName_, std::move(make), printedAs_, sheetPaperFor(settings));
    }

    // A queue to a label printer that takes raster over IPP: it prints every
    // label of a job on the job's media, which the job has from its PageSize.
    bool labelQueue() const {
        return ppd_ && ppd_->chain() == DriverChain::Raster && deviceTakesIpp_ && rollMedia_;
    }

    // A printer of raster that makes no copies of it gets them in the raster.
    bool rasterMakesCopies() const { return destination_->raster && capabilities_.maxCopies <= 1; }

    static bool asksForControls(const JobSettings& settings) {
        return settings.copiesAsked() > 1 || settings.twoSided() || settings.tray || settings.colour;
    }

    std::string name_;
    std::shared_ptr<const CupsDestination> destination_;
    std::shared_ptr<CupsPpd> ppd_;     // the queue's driver, null when driverless
    std::string driverUnreadable_;     // why a driver the queue has could not be read
    bool framedOnly_ = false;          // only the driver's job control reaches the printer
    std::vector<Paper> papers_;
    std::map<int16_t, std::string> slotOfTray_;   // the InputSlot choice of each tray, by its id
    std::optional<CustomSizes> customSizes_;
    bool rollMedia_ = false;
    bool deviceTakesIpp_ = false;
    CupsCapabilities capabilities_;
    PrinterDefaults defaults_;
    std::string portName_;
    std::shared_ptr<int> printedAs_ = std::make_shared<int>(0);
};

// Sets the last error for a destination cupsGetNamedDest did not return.
// CUPS reports an unreachable scheduler as "does not exist", so ask the
// scheduler itself before blaming the name.
void explainMissingDest() {
    const ipp_status_t status = cupsLastError();
    if (isLoginStatus(status)) {
        setLastErrorFromCups("");
        return;
    }
    const std::string message = cupsLastErrorString() ? cupsLastErrorString() : "";
    if (!connectToScheduler()) {
        setSchedulerUnreachable();
        return;
    }
    std::string text = message.empty() ? ippErrorString(status) : message;
    if (status == IPP_STATUS_ERROR_NOT_FOUND) text += " (CUPS server " + schedulerName() + ")";
    setIppError(status, text);
}

// The queue or class on the scheduler, or null with the last error set.
std::shared_ptr<CupsDestination> openQueue(const std::string& queue, const std::string& instance) {
    auto destination = std::make_shared<CupsDestination>();
    destination->connection = connectToScheduler();
    if (!destination->connection) {
        setSchedulerUnreachable();
        return nullptr;
    }
    destination->dest.reset(withLogin([&] {
        return cupsGetNamedDest(destination->session(), queue.c_str(), instance.empty() ? nullptr : instance.c_str());
    }));
    if (!destination->dest) {
        explainMissingDest();
        return nullptr;
    }
    destination->info.reset(
        withLogin([&] { return cupsCopyDestInfo(destination->session(), destination->dest.get()); }));
    if (!destination->info) {
        if (!connectToScheduler())
            setSchedulerUnreachable();
        else
            setLastErrorFromCups("Unable to read what the printer supports");
        return nullptr;
    }
    return destination;
}

// What a class offers is what its members offer; a class the scheduler
// names no member of (or none that opens) has only its own description.
CupsDescription describeQueue(const CupsDestination& destination) {
    if (!isClass(destination)) return describeDestination(destination);
    std::vector<CupsDescription> members;
    for (const std::string& member : classMembers(destination)) {
        if (std::shared_ptr<CupsDestination> opened = openQueue(member, ""))
            members.push_back(describeDestination(*opened));
    }
    CupsDescription description = describeDestination(destination);
    if (!members.empty()) {
        // The class's own names; the rest, the device's way included, is
        // its members'.
        CupsDescription shared = describeClass(members);
        shared.portName = description.portName;
        description = std::move(shared);
    }
    return description;
}

}  // namespace

std::unique_ptr<PrinterDriver> openCupsDestination(const std::string& name) {
    if (isPrinterUri(name)) {
        std::shared_ptr<CupsDestination> printer = openDevice(name);
        if (!printer) return nullptr;
        CupsDescription description = describeDestination(*printer);
        description.portName = withoutCredentials(name.c_str());
        // Pages drawn for a printer of raster are drawn at its resolution.
        if (printer->raster) {
            description.defaults.dpiX = printer->raster->dpiX;
            description.defaults.dpiY = printer->raster->dpiY;
        }
        return std::make_unique<CupsPrinterDriver>(name, std::move(printer), nullptr, std::move(description));
    }
    // "printer/instance" names an lpoptions instance of the printer.
    const size_t slash = name.find('/');
    const std::string queue = name.substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : name.substr(slash + 1);
    if (queue.empty()) {
        setIppError(IPP_STATUS_ERROR_NOT_FOUND, "No printer name given");
        return nullptr;
    }
    std::shared_ptr<CupsDestination> destination = openQueue(queue, instance);
    if (!destination) return nullptr;
    CupsDescription description = describeQueue(*destination);
    std::shared_ptr<CupsPpd> ppd;
    std::string unreadable;
    if (HttpConnection http = connectToScheduler()) ppd = CupsPpd::fetch(http.get(), queue, unreadable);
    auto driver = std::make_unique<CupsPrinterDriver>(name, std::move(destination), std::move(ppd),
                                                      std::move(description));
    if (!unreadable.empty()) driver->driverUnreadable(std::move(unreadable));
    return driver;
}

}  // namespace posix

namespace {

posix::PrinterDriver* openPrinter(const char* name) {
    return posix::openCupsDestination(name ? name : "").release();
}

const char* statusText(unsigned status) { return ippErrorString(static_cast<ipp_status_t>(status)); }

void signIn(const char* user, const char* password) { posix::useLogin(user, password); }

const posix::CupsPlugin plugin{openPrinter, statusText, signIn};

}  // namespace

extern "C" const posix::CupsPlugin* quorlexCupsPlugin() {
    // Before anything asks a server: a password question must never reach
    // the terminal.
    static const bool answering = (posix::answerPasswordQuestions(), true);
    (void)answering;
    return &plugin;
}
