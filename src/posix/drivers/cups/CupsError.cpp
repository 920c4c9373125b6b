#include "posix/drivers/cups/CupsError.h"

#include <cstring>

#include "posix/drivers/cups/CupsLogin.h"
#include "posix/winapi/LastError.h"

namespace posix {

std::string schedulerName() {
    const char* server = cupsServer();
    std::string name = server ? server : "";
    if (!name.empty() && name[0] != '/') name += ":" + std::to_string(ippPort());
    return name;
}

void setIppError(ipp_status_t status, const std::string& text) {
    setLastErrorText(QUORLEX_IPP_ERROR_BASE + static_cast<DWORD>(status), text);
}

void setLastErrorFromCups(const std::string& what) {
    const ipp_status_t status = cupsLastError();
    const char* message = cupsLastErrorString();
    std::string text = message && *message ? message : ippErrorString(status);
    // CUPS says only "Unauthorized": say who asked for what, and what to do.
    if (const std::string login = loginTrouble(); !login.empty() && isLoginStatus(status)) text = login;
    if (!what.empty()) text = what + ": " + text;
    setIppError(status, text);
}

void setLastErrorFromConnection(http_t* http, const std::string& what, const char* peer) {
    // A broken connection first: CUPS then reports only "internal error".
    const int error = http ? httpError(http) : 0;
    if (error == 0 && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
        setLastErrorFromCups(what);
        return;
    }
    std::string reason = std::string("the connection to ") + peer + " was lost";
    if (error != 0) reason += std::string(" (") + std::strerror(error) + ")";
    setIppError(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE, what + ": " + reason);
}

void setSchedulerUnreachable() {
    // CUPS keeps no useful reason for a failed connection ("Host is down"
    // for every case), so say what was tried.
    setIppError(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                "The CUPS scheduler is not running (nothing answers at " + schedulerName() + ")");
}

void setUnreachable(const CupsDestination& destination) {
    if (!destination.direct()) {
        setSchedulerUnreachable();
        return;
    }
    // CUPS tells every failure to connect as "Host is down".
    setIppError(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE, "No printer answers at " + destination.deviceUri);
}

}  // namespace posix
