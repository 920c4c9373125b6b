// Environment variables: already UTF-8 here, as the program's texts are.
#include <cstdlib>
#include <string>

#include "posix/KernelApi.h"

bool readEnvironmentVariable(const char* name, std::string& value) {
    const char* found = std::getenv(name);
    if (found == nullptr) return false;
    value = found;
    return true;
}
