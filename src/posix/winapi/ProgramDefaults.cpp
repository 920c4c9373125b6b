// Defaults of the program that differ between systems.
#include "posix/WinApi.h"

// A Windows path means nothing here; the temporary folder does.
const char* defaultLogFileName() {
    return "/tmp/quorlex.log";
}
