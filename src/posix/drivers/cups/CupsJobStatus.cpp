#include "posix/drivers/cups/CupsJobStatus.h"

#include <memory>
#include <string>

#include "posix/drivers/cups/CupsError.h"
#include "posix/drivers/cups/CupsLogin.h"
#include "posix/winapi/LastError.h"

namespace posix {

namespace {

// Asks the scheduler (or the printer) about the job or its printer: the
// request names the destination's printer, and the job by its id.
OwnedIpp ask(http_t* http, const CupsDestination& destination, ipp_op_t operation, int id,
             const char* const* attributes, int count) {
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 destination.printerUri().c_str());
    if (id > 0) ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", count, nullptr,
                  attributes);
    return OwnedIpp(cupsDoRequest(http, request, destination.resource.c_str()));
}

// "name: a, b" for the keywords of an attribute other than "none", or
// nothing.
std::string keywords(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_KEYWORD);
    std::string list;
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i) {
        const char* value = ippGetString(attribute, i, nullptr);
        if (!value || !*value || std::string(value) == "none") continue;
        list += (list.empty() ? "" : ", ") + std::string(value);
    }
    return list.empty() ? "" : std::string(name) + ": " + list;
}

std::string text(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_TEXT);
    const char* value = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
    return value && *value ? std::string(name) + ": \"" + value + "\"" : "";
}

void append(std::string& reasons, const std::string& part) {
    if (!part.empty()) reasons += (reasons.empty() ? "" : "; ") + part;
}

JobStatus::State stateOf(int jobState) {
    switch (jobState) {
        case IPP_JSTATE_PENDING: return JobStatus::State::Pending;
        case IPP_JSTATE_HELD: return JobStatus::State::Held;
        case IPP_JSTATE_PROCESSING: return JobStatus::State::Processing;
        case IPP_JSTATE_STOPPED: return JobStatus::State::Stopped;
        case IPP_JSTATE_CANCELED: return JobStatus::State::Cancelled;
        case IPP_JSTATE_ABORTED: return JobStatus::State::Aborted;
        default: return JobStatus::State::Completed;
    }
}

}  // namespace

bool cupsJobStatus(const CupsDestination& destination, int id, JobStatus& status) {
    // A printer reached by its URI is asked on the connection the driver
    // holds to it.
    HttpConnection own = destination.direct() ? nullptr : destination.connect();
    http_t* http = destination.direct() ? destination.session() : own.get();
    if (!http) {
        setUnreachable(destination);
        return false;
    }
    static const char* const jobAttributes[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    OwnedIpp job =
        withLogin([&] { return ask(http, destination, IPP_OP_GET_JOB_ATTRIBUTES, id, jobAttributes, 3); });
    if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ipp_attribute_t* state = job ? ippFindAttribute(job.get(), "job-state", IPP_TAG_ENUM) : nullptr;
    if (!state || !ippSucceeded(cupsLastError())) {
        setLastErrorFromConnection(http, "Unable to ask for the job",
                                   destination.peerName());
        return false;
    }
    status.state = stateOf(ippGetInteger(state, 0));
    status.reasons.clear();
    append(status.reasons, keywords(job.get(), "job-state-reasons"));

    // Why a job waits is often the printer's: stopped, out of paper.
    static const char* const printerAttributes[] = {"printer-state-reasons", "printer-state-message"};
    OwnedIpp printer =
        withLogin([&] { return ask(http, destination, IPP_OP_GET_PRINTER_ATTRIBUTES, 0, printerAttributes, 2); });
    if (printer && ippSucceeded(cupsLastError())) {
        append(status.reasons, keywords(printer.get(), "printer-state-reasons"));
        append(status.reasons, text(printer.get(), "printer-state-message"));
    } else {
        append(status.reasons, text(job.get(), "job-printer-state-message"));
    }
    return true;
}

}  // namespace posix
