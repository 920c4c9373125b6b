#include "posix/drivers/cups/CupsHandles.h"

#include "posix/drivers/cups/CupsLogin.h"

namespace posix {

namespace {

// Long enough for a busy scheduler or a printer waking from sleep.
constexpr int kConnectMilliseconds = 30000;

}  // namespace

void HttpCloser::operator()(http_t* http) const {
    forgetConnection(http);
    httpClose(http);
}

HttpConnection connectToScheduler(bool forJobs) {
    HttpConnection http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                     kConnectMilliseconds, nullptr));
    signInOn(http.get(), forJobs);
    return http;
}

HttpConnection connectToDevice(cups_dest_t* dest, std::string& resource, bool forJobs) {
    char path[1024] = "";
    HttpConnection http(cupsConnectDest(dest, CUPS_DEST_FLAGS_DEVICE, kConnectMilliseconds, nullptr,
                                        path, sizeof path, nullptr, nullptr));
    // CUPS hands back a connection that never connected, too.
    if (http && httpGetFd(http.get()) < 0) http.reset();
    if (!http) return http;
    resource = path[0] ? path : "/";
    signInOn(http.get(), forJobs);
    return http;
}

HttpConnection CupsDestination::connect(bool forJobs) const {
    if (!direct()) return connectToScheduler(forJobs);
    std::string ignored;
    return connectToDevice(dest.get(), ignored, forJobs);
}

std::string CupsDestination::printerUri() const {
    if (direct()) return deviceUri;
    const char* uri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
    return uri ? uri : "";
}

const char* CupsDestination::documentFormat() const {
    if (raster) return raster->mimeType.c_str();
    return direct() ? "application/pdf" : "application/vnd.cups-pdf";
}

}  // namespace posix
