// Where a job stands at the scheduler: its state, its reasons and the
// message of the printer it is for (Get-Job-Attributes, Get-Printer-Attributes).
#pragma once

#include "posix/drivers/cups/CupsHandles.h"
#include "posix/spooler/PrinterDriver.h"

namespace posix {

// False with ERROR_INVALID_PARAMETER when the scheduler no longer knows the
// job, or with the scheduler's error when it cannot be asked.
bool cupsJobStatus(const CupsDestination& destination, int id, JobStatus& status);

}  // namespace posix
