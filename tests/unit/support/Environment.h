// Sets and clears environment variables for tests, the way getenv sees
// them on every system.
#pragma once

#include <cstdlib>
#include <string>

namespace testsupport {

inline void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    // The runtime's own copy of the environment, which getenv reads.
    _putenv((std::string(name) + "=" + value).c_str());
#else
    setenv(name, value, 1);
#endif
}

inline void clearVariable(const char* name) {
#ifdef _WIN32
    _putenv((std::string(name) + "=").c_str());   // an empty value removes it
#else
    unsetenv(name);
#endif
}

}  // namespace testsupport
