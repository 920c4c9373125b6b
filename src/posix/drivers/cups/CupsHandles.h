// Owners for the CUPS objects the printer driver holds.
#pragma once

#include <cups/cups.h>

#include <memory>

namespace posix {

struct HttpCloser {
    void operator()(http_t* http) const { httpClose(http); }
};
using HttpConnection = std::unique_ptr<http_t, HttpCloser>;

struct DestFreer {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using OwnedDest = std::unique_ptr<cups_dest_t, DestFreer>;

struct DestInfoFreer {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using OwnedDestInfo = std::unique_ptr<cups_dinfo_t, DestInfoFreer>;

// A destination with what the scheduler says it can do, shared by a driver
// and the jobs it starts (a job may outlive its driver).
struct CupsDestination {
    OwnedDest dest;
    OwnedDestInfo info;
};

// A connection of its own to the scheduler that CUPS_SERVER, client.conf or
// the default names (a Unix socket or host). Null when it cannot be reached.
// The destinations cupsGetNamedDest returns live
// there; cupsConnectDest would instead dial the host named in the queue's
// URI ("localhost:631"), which misses a scheduler on a socket.
HttpConnection connectToScheduler();

}  // namespace posix
