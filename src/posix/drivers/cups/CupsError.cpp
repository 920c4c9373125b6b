#include "posix/drivers/cups/CupsError.h"

#include <cstring>

#include "posix/winapi/LastError.h"

namespace posix {

std::string schedulerName() {
    const char* server = cupsServer();
    std::string name = server ? server : "";
    if (!name.empty() && name[0] != '/') name += ":" + std::to_string(ippPort());
    return name;
}

void setLastErrorFromCups(const std::string& what) {
    const ipp_status_t status = cupsLastError();
    const char* message = cupsLastErrorString();
    std::string text = message && *message ? message : ippErrorString(status);
    if (!what.empty()) text = what + ": " + text;
    setLastErrorText(QUORLEX_IPP_ERROR_BASE + static_cast<DWORD>(status), text);
}

void setLastErrorFromConnection(http_t* http, const std::string& what) {
    // A broken connection first: CUPS then reports only "internal error".
    const int error = http ? httpError(http) : 0;
    if (error == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        setLastErrorFromCups(what);
        return;
    }
    std::string reason = "the connection to the CUPS scheduler was lost";
    if (error != 0) reason += std::string(" (") + std::strerror(error) + ")";
    setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                     what + ": " + reason);
}

void setSchedulerUnreachable() {
    // CUPS keeps no useful reason for a failed connection ("Host is down"
    // for every case), so say what was tried.
    const std::string text = "The CUPS scheduler is not running (nothing answers at " +
                             schedulerName() + ")";
    setLastErrorText(QUORLEX_IPP_ERROR_BASE + IPP_STATUS_ERROR_SERVICE_UNAVAILABLE, text);
}

}  // namespace posix
