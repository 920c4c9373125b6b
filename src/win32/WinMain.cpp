// The program's entry on Windows: a GUI-subsystem program, so no console
// opens when another program starts it. The arguments of WinMain are not
// needed; the runtime has already split the command line into its
// argument vector.
#include <cstdlib>

#include "app/CommandLine.h"
#include "plat/WinApi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return runQuorlex(__argc, __argv);
}
