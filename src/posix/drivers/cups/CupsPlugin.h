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
    // Who prints where a print server or printer asks: the user name (null:
    // the login name) and the password (null: none). Nothing ever prompts.
    void (*signIn)(const char* user, const char* password);
};

// The plugin's table: loaded on first use, or the one a test installed.
// Null, with the reason as the last error and its text, when the plugin
// cannot be loaded.
const CupsPlugin* cupsPlugin();
// Makes the plugin code linked into the program (tests) the one in use.
void useCupsPlugin(const CupsPlugin* plugin);

// The user name and password the plugin signs in with, now or once it is
// loaded. Null: none.
void signInToCups(const char* user, const char* password);

}  // namespace posix

extern "C" const posix::CupsPlugin* quorlexCupsPlugin();
