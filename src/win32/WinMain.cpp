// The program's entry on Windows: a GUI-subsystem program, so no console
// opens when another program starts it. The arguments of WinMain are not
// needed: the wide command line gives every argument in full, turned into
// UTF-8 for the core (the runtime's __argv would have them in the ANSI
// code page, any character beyond it lost).
#include <cstdlib>

#include "app/CommandLine.h"
#include "plat/WinApi.h"
#include "win32/CommandLineArguments.h"
#include "win32/DllSearch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything is loaded at run time, the PDF engine above all.
    win32::limitDllSearchToSafeFolders();
    win32::Utf8Arguments arguments(GetCommandLineW());
    // Only where the wide line cannot be read: the runtime's, as it is.
    if (!arguments.valid()) return runQuorlex(__argc, __argv);
    return runQuorlex(arguments.count(), arguments.vector());
}
