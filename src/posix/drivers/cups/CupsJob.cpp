#include "posix/drivers/cups/CupsJob.h"

#include <exception>

#include "posix/drivers/cups/CupsError.h"
#include "posix/winapi/LastError.h"

namespace posix {

namespace {

constexpr const char* kDocumentFormat = "application/vnd.cups-pdf";
constexpr size_t kLongestName = 255;   // octets of an IPP name

// Cancels a job on a fresh connection; the one it was created on may be in
// the middle of a request.
void cancelJob(const CupsDestination& destination, int id) {
    HttpConnection http = connectToScheduler();
    if (http) cupsCancelDestJob(http.get(), destination.dest.get(), id);
}

}  // namespace

std::string jobNameForTitle(const std::string& title) {
    std::string name = title;
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) c = ' ';
    }
    if (name.size() > kLongestName) {
        size_t cut = kLongestName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return name;
}

std::unique_ptr<CupsJob> CupsJob::start(
    std::shared_ptr<const CupsDestination> destination, const std::string& title,
    const std::vector<std::pair<std::string, std::string>>& options, JobFrame frame) {
    HttpConnection http = connectToScheduler();
    if (!http) {
        setSchedulerUnreachable();
        return nullptr;
    }
    cups_dest_t* dest = destination->dest.get();
    cups_dinfo_t* info = destination->info.get();
    const std::string name = jobNameForTitle(title);
    const char* jobName = name.empty() ? nullptr : name.c_str();

    cups_option_t* jobOptions = nullptr;
    int optionCount = 0;
    for (const auto& [name, value] : options)
        optionCount = cupsAddOption(name.c_str(), value.c_str(), optionCount, &jobOptions);
    int id = 0;
    const ipp_status_t created =
        cupsCreateDestJob(http.get(), dest, info, &id, jobName, optionCount, jobOptions);
    cupsFreeOptions(optionCount, jobOptions);
    if (!ippSucceeded(created) || id <= 0) {
        setLastErrorFromCups("Unable to create the print job");
        return nullptr;
    }
    std::string frameStart;
    try {
        if (frame.start) frameStart = frame.start(id);
    } catch (const std::exception& error) {
        setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_INTERNAL,
                         std::string("Unable to make the driver's job control: ") + error.what());
        http.reset();
        cancelJob(*destination, id);
        return nullptr;
    }
    if (cupsStartDestDocument(http.get(), dest, info, id, jobName, kDocumentFormat, 0, nullptr,
                              1) != HTTP_STATUS_CONTINUE) {
        setLastErrorFromConnection(http.get(), "Unable to start the document");
        http.reset();
        cancelJob(*destination, id);
        return nullptr;
    }
    std::unique_ptr<CupsJob> job(
        new CupsJob(std::move(destination), std::move(http), id, std::move(frame.end)));
    // The frame opens the document: a job that cannot take it takes nothing.
    if (!frameStart.empty() &&
        !job->write(reinterpret_cast<const unsigned char*>(frameStart.data()), frameStart.size()))
        return nullptr;
    return job;
}

CupsJob::CupsJob(std::shared_ptr<const CupsDestination> destination, HttpConnection http, int id,
                 std::function<std::string()> frameEnd)
    : destination_(std::move(destination)), frameEnd_(std::move(frameEnd)), http_(std::move(http)), id_(id) {}

CupsJob::~CupsJob() { cancel(); }

bool CupsJob::write(const unsigned char* data, size_t length) {
    if (done_ || broken_) {
        setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_INTERNAL,
                         "The print job can no longer take data");
        return false;
    }
    if (length == 0) return true;
    if (cupsWriteRequestData(http_.get(), reinterpret_cast<const char*>(data), length) !=
        HTTP_STATUS_CONTINUE) {
        broken_ = true;
        setLastErrorFromConnection(http_.get(), "Unable to send the document to the printer");
        return false;
    }
    return true;
}

bool CupsJob::finish() {
    if (done_ || broken_) {
        setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_INTERNAL,
                         "The print job was not completed");
        cancel();
        return false;
    }
    try {
        const std::string frameEnd = frameEnd_ ? frameEnd_() : std::string();
        if (!frameEnd.empty() &&
            !write(reinterpret_cast<const unsigned char*>(frameEnd.data()), frameEnd.size())) {
            cancel();
            return false;
        }
    } catch (const std::exception& error) {
        setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_INTERNAL,
                         std::string("Unable to make the driver's job control: ") + error.what());
        cancel();
        return false;
    }
    const ipp_status_t status =
        cupsFinishDestDocument(http_.get(), destination_->dest.get(), destination_->info.get());
    if (!ippSucceeded(status)) {
        setLastErrorFromConnection(http_.get(), "Unable to submit the document");
        cancel();
        return false;
    }
    done_ = true;
    http_.reset();
    return true;
}

void CupsJob::cancel() {
    if (done_) return;
    done_ = true;
    // The scheduler discards a document whose upload ends before its end.
    http_.reset();
    cancelJob(*destination_, id_);
}

}  // namespace posix
