// CUPS destinations as printer drivers: every printer name that is neither
// "file:..." nor registered by a test.
#pragma once

#include <memory>
#include <string>

#include "posix/spooler/PrinterDriver.h"

namespace posix {

// Opens the named CUPS destination (honouring CUPS_SERVER, lpoptions
// instances and client.conf) through the CUPS plugin. Null on failure, with
// the last error and CUPS's own message text set.
std::unique_ptr<PrinterDriver> openCupsPrinterDriver(const std::string& name);

// The same within the plugin.
std::unique_ptr<PrinterDriver> openCupsDestination(const std::string& name);

}  // namespace posix
