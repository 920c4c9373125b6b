// The print sandbox's driver matrix as the tests meet it: a queue for each
// driver Debian users have, behind a socket printer that keeps the bytes,
// and the raster CUPS handed the driver. A run prints and comes back with
// what the printer received, read in its language.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "integration/support/ProcessRunner.h"
#include "support/PrinterLanguages.h"

namespace itest::drivers {

struct DriverQueue {
    std::string name;     // "laserjet"
    std::string queue;    // "quorlex-laserjet"
    std::string spool;    // what its socket printer keeps
    std::string taps;     // the raster its driver was handed; empty for a printer that keeps none
};

// The queue of that name in the matrix, or nothing when the sandbox has
// none (not running, or the driver's package is missing).
std::optional<DriverQueue> driverQueue(const std::string& name);

// Skips the test when the matrix has no queue of that name; binds it.
#define QUORLEX_DRIVER_QUEUE(variable, name)                                                       \
    const auto variable##Found = ::itest::drivers::driverQueue(name);                             \
    if (!variable##Found) GTEST_SKIP() << "the print sandbox has no " << name << " driver queue"; \
    const ::itest::drivers::DriverQueue& variable = *variable##Found

struct Delivery {
    RunResult run;
    std::string bytes;                              // what the printer received
    printed::Reading printer;                       // read in the printer's language
    std::optional<printed::Reading> driver;         // the raster the driver was handed
    bool printed() const { return run.exitCode == 0 && !bytes.empty(); }
};

// Prints the PDF to the queue (or the printer its queue field names by its
// URI) with ExitCode=result, Wait and the extra
// arguments, and waits for what reaches the printer. ZPL and P-touch are
// read at the resolution given.
Delivery print(const DriverQueue& queue, const std::string& pdf, const std::vector<std::string>& extra = {},
               int dotsPerInch = 203);

// The papers of the sheets, in order ("A4 A4 Letter A5"), or the sizes in
// millimetres rounded to whole ones where the language gives sizes.
// What the sheets of a reading say, one word each, blank between.
std::string joined(const printed::Reading& reading, const std::function<std::string(const printed::Sheet&)>& what);
std::string papersOf(const printed::Reading& reading);
std::string sizesOf(const printed::Reading& reading);

}  // namespace itest::drivers
