// What the CUPS plugin (quorlex-cups.so) offers the program: its printer
// driver. The plugin exports quorlexCupsPlugin().
#pragma once

namespace posix {

class PrinterDriver;

struct CupsPlugin {
    // The named destination as a printer driver, owned by the caller; null
    // with the last error and its text set.
    PrinterDriver* (*openPrinter)(const char* name);
    // The text of an IPP status, for error messages.
    const char* (*statusText)(unsigned status);
};

// The plugin's table: loaded on first use, or the one a test installed.
// Null, with the reason as the last error and its text, when the plugin
// cannot be loaded.
const CupsPlugin* cupsPlugin();
// Makes the plugin code linked into the program (tests) the one in use.
void useCupsPlugin(const CupsPlugin* plugin);

}  // namespace posix

extern "C" const posix::CupsPlugin* quorlexCupsPlugin();
