#include "posix/drivers/cups/CupsJob.h"

#include <exception>

#include "posix/drivers/cups/CupsError.h"

namespace posix {

namespace {

constexpr size_t kLongestName = 255;   // octets of an IPP name

// Cancels a job on a fresh connection; the one it was created on may be in
// the middle of a request.
void cancelJob(const CupsDestination& destination, int id) {
    HttpConnection http = destination.connect(true);
    if (http) cupsCancelDestJob(http.get(), destination.dest.get(), id);
}

// Sends Print-Job with the options and starts its document: the whole job
// in one request, for a printer that has no Create-Job.
bool startPrintJob(http_t* http, const CupsDestination& destination, const char* jobName, int optionCount,
                   cups_option_t* options) {
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 destination.printerUri().c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    if (jobName) ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, jobName);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                 destination.documentFormat());
    cupsEncodeOptions2(request, optionCount, options, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, optionCount, options, IPP_TAG_JOB);
    const http_status_t status =
        cupsSendRequest(http, request, destination.resource.c_str(), CUPS_LENGTH_VARIABLE);
    ippDelete(request);
    return status == HTTP_STATUS_CONTINUE;
}

}  // namespace

bool setJobOption(const CupsDestination& destination, int id, const std::string& name, const std::string& value) {
    HttpConnection http = destination.connect(true);
    if (!http) {
        setUnreachable(destination);
        return false;
    }
    ipp_t* request = ippNewRequest(IPP_OP_SET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, destination.printerUri().c_str());
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_NAME, name.c_str(), nullptr, value.c_str());
    const OwnedIpp response(cupsDoRequest(http.get(), request, "/jobs/"));
    if (!response || !ippSucceeded(cupsLastError())) {
        setLastErrorFromCups("Unable to set the job's " + name);
        return false;
    }
    return true;
}

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
    const std::vector<std::pair<std::string, std::string>>& options, JobFrame frame,
    std::shared_ptr<int> printedAs) {
    HttpConnection http = destination->connect(true);
    if (!http) {
        setUnreachable(*destination);
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
    if (!destination->createsJobs) {
        const bool started = startPrintJob(http.get(), *destination, jobName, optionCount, jobOptions);
        cupsFreeOptions(optionCount, jobOptions);
        if (!started) {
            setLastErrorFromConnection(http.get(), "Unable to create the print job", destination->peerName());
            return nullptr;
        }
        std::unique_ptr<CupsJob> job(
            new CupsJob(std::move(destination), std::move(http), kProvisionalJobId, std::move(frame.end)));
        job->printedAs_ = std::move(printedAs);
        return job;
    }
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
        setIppError(IPP_STATUS_ERROR_INTERNAL, std::string("Unable to make the driver's job control: ") + error.what());
        http.reset();
        cancelJob(*destination, id);
        return nullptr;
    }
    if (cupsStartDestDocument(http.get(), dest, info, id, jobName, destination->documentFormat(), 0, nullptr,
                              1) != HTTP_STATUS_CONTINUE) {
        setLastErrorFromConnection(http.get(), "Unable to start the document",
                                   destination->peerName());
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
        setIppError(IPP_STATUS_ERROR_INTERNAL, "The print job can no longer take data");
        return false;
    }
    if (length == 0) return true;
    if (cupsWriteRequestData(http_.get(), reinterpret_cast<const char*>(data), length) !=
        HTTP_STATUS_CONTINUE) {
        broken_ = true;
        setLastErrorFromConnection(http_.get(), "Unable to send the document to the printer", peer());
        return false;
    }
    return true;
}

bool CupsJob::finish() {
    if (done_ || broken_) {
        setIppError(IPP_STATUS_ERROR_INTERNAL, "The print job was not completed");
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
        setIppError(IPP_STATUS_ERROR_INTERNAL, std::string("Unable to make the driver's job control: ") + error.what());
        cancel();
        return false;
    }
    if (!submit()) {
        cancel();
        return false;
    }
    done_ = true;
    http_.reset();
    return true;
}

bool CupsJob::submit() {
    if (destination_->createsJobs) {
        const ipp_status_t status =
            cupsFinishDestDocument(http_.get(), destination_->dest.get(), destination_->info.get());
        if (ippSucceeded(status)) return true;
        setLastErrorFromConnection(http_.get(), "Unable to submit the document", peer());
        return false;
    }
    const OwnedIpp response(cupsGetResponse(http_.get(), destination_->resource.c_str()));
    ipp_attribute_t* jobId = response ? ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
    if (!response || !ippSucceeded(cupsLastError()) || !jobId) {
        setLastErrorFromConnection(http_.get(), "Unable to submit the document", peer());
        return false;
    }
    if (printedAs_) *printedAs_ = ippGetInteger(jobId, 0);
    return true;
}

void CupsJob::cancel() {
    if (done_) return;
    done_ = true;
    // The scheduler (or printer) discards a document whose upload ends
    // before its end; a Print-Job has no job before that.
    http_.reset();
    if (destination_->createsJobs) cancelJob(*destination_, id_);
}

}  // namespace posix
