#include "posix/drivers/cups/CupsDevice.h"

#include <strings.h>

#include <vector>

#include "posix/drivers/cups/CupsError.h"
#include "posix/drivers/cups/CupsLogin.h"

namespace posix {

namespace {

constexpr const char* kPdf = "application/pdf";

// The values of an attribute the printer reports as "<option>-supported".
std::vector<std::string> supportedValues(const CupsDestination& destination, const char* option) {
    std::vector<std::string> values;
    ipp_attribute_t* attribute = cupsFindDestSupported(destination.session(), destination.dest.get(),
                                                       destination.info.get(), option);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i) {
        if (const char* value = ippGetString(attribute, i, nullptr)) values.emplace_back(value);
    }
    return values;
}

bool supportsOperation(const CupsDestination& destination, ipp_op_t operation) {
    ipp_attribute_t* operations = cupsFindDestSupported(destination.session(), destination.dest.get(),
                                                        destination.info.get(), "operations");
    for (int i = 0; operations && i < ippGetCount(operations); ++i) {
        if (ippGetInteger(operations, i) == operation) return true;
    }
    return false;
}

// The printer takes the document as PDF, or the last error says what it
// takes instead.
bool takesPdf(const CupsDestination& destination) {
    const std::vector<std::string> formats = supportedValues(destination, "document-format");
    std::string list;
    for (const std::string& format : formats) {
        if (!strcasecmp(format.c_str(), kPdf)) return true;
        list += (list.empty() ? "" : ", ") + format;
    }
    setIppError(IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED,
                "The printer at " + destination.deviceUri + " does not take PDF: it takes " +
                    (list.empty() ? std::string("no format it names") : list));
    return false;
}

}  // namespace

bool isPrinterUri(const std::string& name) {
    return !strncasecmp(name.c_str(), "ipp://", 6) || !strncasecmp(name.c_str(), "ipps://", 7);
}

std::shared_ptr<CupsDestination> openDevice(const std::string& uri) {
    auto destination = std::make_shared<CupsDestination>();
    destination->kind = DestinationKind::Device;
    destination->deviceUri = uri;
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    const bool wellFormed = httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, userpass,
                                            sizeof userpass, host, sizeof host, &port, resource,
                                            sizeof resource) >= HTTP_URI_STATUS_OK &&
                            host[0] != '\0';
    if (wellFormed) destination->dest.reset(cupsGetDestWithURI(nullptr, uri.c_str()));
    if (!destination->dest) {
        setIppError(IPP_STATUS_ERROR_NOT_FOUND, uri + " names no printer: use ipp://HOST[:PORT]/PATH or ipps://...");
        return nullptr;
    }
    destination->connection = connectToDevice(destination->dest.get(), destination->resource);
    if (!destination->connection) {
        setUnreachable(*destination);
        return nullptr;
    }
    destination->info.reset(
        withLogin([&] { return cupsCopyDestInfo(destination->session(), destination->dest.get()); }));
    if (!destination->info) {
        setLastErrorFromConnection(destination->connection.get(),
                                   "Unable to read what the printer at " + uri + " supports", "the printer");
        return nullptr;
    }
    if (!takesPdf(*destination)) return nullptr;
    destination->createsJobs = supportsOperation(*destination, IPP_OP_CREATE_JOB) &&
                               supportsOperation(*destination, IPP_OP_SEND_DOCUMENT);
    return destination;
}

}  // namespace posix
