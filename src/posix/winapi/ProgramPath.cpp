#include "posix/winapi/ProgramPath.h"

#include <errno.h>
#include <unistd.h>

#include <vector>

#include "posix/KernelApi.h"

namespace posix {

std::string executablePath() {
    // readlink does not say how long the path is: grow until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            SetLastError(static_cast<DWORD>(errno));
            return {};
        }
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace posix
