// A printer named by its URI (ipp://host:port/ipp/print, ipps://...),
// reached with no scheduler between: everything is asked of the printer
// itself, on a connection of its own.
#pragma once

#include <memory>
#include <string>

#include "posix/drivers/cups/CupsHandles.h"

namespace posix {

// Whether the printer name is an ipp: or ipps: URI (the scheme's case
// ignored).
bool isPrinterUri(const std::string& name);

// The printer at the URI with what it says it can do. Null, with the last
// error set, when the URI is malformed, nothing answers there, or the
// printer takes neither PDF nor PWG or Apple raster: nothing has been sent
// then. A printer of raster only has its raster described.
std::shared_ptr<CupsDestination> openDevice(const std::string& uri);

}  // namespace posix
