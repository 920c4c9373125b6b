// What a CUPS destination can do beyond its papers (trays, two-sided
// printing, colour, copies), and a job's settings as the IPP
// attributes of the job (copies, multiple-document-handling, sides,
// media-source, print-color-mode).
#pragma once

#include <cups/cups.h>

#include <string>
#include <utility>
#include <vector>

#include "posix/spooler/PrinterDriver.h"

namespace posix {

struct CupsCapabilities {
    std::vector<Tray> trays;
    bool duplex = false;
    bool color = true;
    int maxCopies = 1;
};

// Asked on the connection given.
CupsCapabilities cupsCapabilities(http_t* http, cups_dest_t* dest, cups_dinfo_t* info);

// The job's options for the controls the settings set; trays name
// the bins by their ids. A scheduler also gets the options its drivers know
// (Collate, InputSlot); a printer reached by its URI only IPP attributes,
// the tray inside media-col where IPP has it.
std::vector<std::pair<std::string, std::string>> cupsJobOptions(const JobSettings& settings,
                                                                 const std::vector<Tray>& trays,
                                                                 bool toPrinter = false);

// The PPD choice CUPS makes of an IPP keyword ("tray-2" becomes "Tray2"):
// a driverless queue takes the tray from its InputSlot option.
std::string ppdChoiceName(const std::string& keyword);

}  // namespace posix
