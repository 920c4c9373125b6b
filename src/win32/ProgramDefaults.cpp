// Defaults of the program that differ between systems.
#include "plat/WinApi.h"

const char* defaultLogFileName() {
    return "C:\\temp\\quorlex.log";
}

FILE* openLogFile(const char* name) {
    return fopen(name, "w+");
}
