// Owners for the CUPS objects the printer driver holds.
#pragma once

#include <cups/cups.h>

#include <memory>
#include <optional>
#include <string>

#include "plat/Owned.h"
#include "posix/spooler/RasterFormat.h"

namespace posix {

struct HttpCloser {
    void operator()(http_t* http) const;
};
using HttpConnection = std::unique_ptr<http_t, HttpCloser>;

inline void freeDest(cups_dest_t* dest) { cupsFreeDests(1, dest); }
using OwnedDest = plat::Owned<cups_dest_t, freeDest>;
using OwnedDestInfo = plat::Owned<cups_dinfo_t, cupsFreeDestInfo>;
using OwnedIpp = plat::Owned<ipp_t, ippDelete>;

// Where a destination's requests go: to the scheduler that holds the queue
// or class, or straight to a printer named by its URI.
enum class DestinationKind { Queue, Device };

// A destination with what it says it can do, shared by a driver and the
// jobs it starts (a job may outlive its driver).
struct CupsDestination {
    OwnedDest dest;
    OwnedDestInfo info;
    DestinationKind kind = DestinationKind::Queue;
    // A printer reached by its URI: the URI, the resource requests are
    // posted to, and whether it takes Create-Job (else Print-Job).
    std::string deviceUri;
    std::string resource = "/";
    bool createsJobs = true;
    // A printer reached by its URI that takes raster and no PDF: the raster.
    std::optional<RasterFormat> raster;
    // The connection the destination was opened on, with the run's login.
    HttpConnection connection;

    // A connection of its own to whoever holds the destination's jobs, for
    // a job (which sends the run's password where one was given) or for
    // asking; null when nothing answers there.
    HttpConnection connect(bool forJobs = false) const;
    // The printer-uri of requests about the destination and its jobs.
    std::string printerUri() const;
    // What the job's document is sent as: a printer knows plain PDF (or
    // takes raster), a scheduler takes it already laid out (every page on
    // its own paper).
    const char* documentFormat() const;
    bool direct() const { return kind == DestinationKind::Device; }
    // Who holds the jobs, for messages.
    const char* peerName() const { return direct() ? "the printer" : "the CUPS scheduler"; }
    // The connection the CUPS calls that take one use to ask about the
    // destination: never CUPS's default one, which would go to the
    // scheduler without the run's login.
    http_t* session() const { return connection.get(); }
};

// A connection of its own to the scheduler that CUPS_SERVER, client.conf or
// the default names (a Unix socket or host), signed in as the run was told
// (User, PasswordFile). Null when it cannot be reached.
// The destinations cupsGetNamedDest returns live
// there; cupsConnectDest would instead dial the host named in the queue's
// URI ("localhost:631"), which misses a scheduler on a socket.
HttpConnection connectToScheduler(bool forJobs = false);

// A connection of its own to the printer the destination's device URI
// names (ipp, ipps: with TLS), signed in likewise. The resource to post to
// goes to resource.
HttpConnection connectToDevice(cups_dest_t* dest, std::string& resource, bool forJobs = false);

}  // namespace posix
