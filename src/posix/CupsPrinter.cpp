#include "posix/CupsPrinter.h"

#include "posix/LastError.h"

namespace posix {

// Placeholder until the CUPS driver lands: every CUPS name is unknown.
std::unique_ptr<PrinterDriver> openCupsPrinterDriver(const std::string& name) {
    setLastErrorText(QUORLEX_IPP_ERROR_BASE + 0x0406, "The printer or class does not exist: " + name);
    return nullptr;
}

}  // namespace posix
