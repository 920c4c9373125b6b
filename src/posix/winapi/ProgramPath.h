// The path of the running program.
#pragma once

#include <string>

namespace posix {

// From /proc/self/exe; empty, with the last error set, when it cannot be had.
std::string executablePath();

}  // namespace posix
