// Files the program writes whole for its caller (the run's report): made
// under a temporary name beside the file, readable by the user alone, then
// renamed over it.
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "posix/KernelApi.h"

DWORD replaceOwnFile(const char* name, const char* bytes, size_t size) {
    if (name == nullptr || *name == '\0') return ENOENT;
    const std::string path = name;
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) return EISDIR;
    std::string partial = (slash == std::string::npos ? "" : folder) + "." + base + ".XXXXXX";
    // mkstemp makes the file 0600, and never through a link.
    const int fd = mkstemp(partial.data());
    if (fd < 0) return static_cast<DWORD>(errno);
    int error = 0;
    for (size_t written = 0; written < size && error == 0;) {
        const ssize_t now = write(fd, bytes + written, size - written);
        if (now < 0 && errno != EINTR) error = errno;
        if (now > 0) written += static_cast<size_t>(now);
    }
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(partial.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) unlink(partial.c_str());
    return static_cast<DWORD>(error);
}
