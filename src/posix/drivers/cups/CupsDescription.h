// What a CUPS destination offers, as the printer driver reports it: its
// papers with their margins, trays and capabilities, default paper,
// orientation and resolution, and the names of its driver and device.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "posix/drivers/cups/CupsHandles.h"
#include "posix/drivers/cups/CupsJobSettings.h"
#include "posix/spooler/PrinterDriver.h"

namespace posix {

struct CupsDescription {
    std::vector<Paper> papers;
    std::optional<CustomSizes> customSizes;   // sizes of its own it takes, if any
    // It prints from a roll (labels, receipts): every page of a job on the
    // job's media.
    bool rollMedia = false;
    CupsCapabilities capabilities;
    PrinterDefaults defaults;
    std::string portName;   // the device, without any user name or password
    // The device is reached over IPP: the queue's backend passes the job's
    // attributes on to the printer, whatever its driver.
    bool deviceTakesIpp = false;
};

// Read from what the destination says of itself (for a queue, what the
// scheduler says of it; for a printer reached by its URI, the printer).
CupsDescription describeDestination(const CupsDestination& destination);

// The sizes a destination takes besides its papers: the ranges of its
// media-size-supported, and its custom_min_/custom_max_ and
// roll_min_/roll_max_ media. None when it names none.
std::optional<CustomSizes> customSizesOf(http_t* http, cups_dest_t* dest, cups_dinfo_t* info);

// The device URI without any user name or password in it.
std::string withoutCredentials(const char* uri);

}  // namespace posix
