// The program's entry on Windows: a GUI-subsystem program, so no console
// opens when another program starts it. The arguments of WinMain are not
// needed; the runtime has already split the command line into its
// argument vector.
#include <cstdlib>

#include "app/CommandLine.h"
#include "plat/WinApi.h"
#include "win32/DllSearch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything is loaded at run time, the PDF engine above all.
    win32::limitDllSearchToSafeFolders();
    return runQuorlex(__argc, __argv);
}
