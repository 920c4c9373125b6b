// The thread's last error for failures of CUPS calls: the IPP status as the
// code (offset by QUORLEX_IPP_ERROR_BASE) and a text that says what failed
// and why.
#pragma once

#include <cups/cups.h>

#include <string>

#include "posix/drivers/cups/CupsHandles.h"

namespace posix {

// Sets the last error to the IPP status (as code) and the text.
void setIppError(ipp_status_t status, const std::string& text);

// True for the IPP statuses that mean success.
inline bool ippSucceeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

// Sets the last error from cupsLastError()/cupsLastErrorString(); the text
// is "what: CUPS's message", or CUPS's message alone when what is empty.
void setLastErrorFromCups(const std::string& what);

// Sets the last error for a request on the connection that failed: why the
// connection to the peer broke when it did, else CUPS's message.
void setLastErrorFromConnection(http_t* http, const std::string& what,
                                const char* peer = "the CUPS scheduler");

// Sets the last error for a scheduler that cannot be reached.
void setSchedulerUnreachable();
// The same for whoever holds the destination's jobs: its scheduler, or the
// printer itself.
void setUnreachable(const CupsDestination& destination);

// The scheduler's name as the client sees it (a socket path or host:port),
// for messages.
std::string schedulerName();

}  // namespace posix
