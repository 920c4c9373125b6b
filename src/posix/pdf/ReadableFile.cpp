#include "posix/pdf/ReadableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posix/pdf/InputDocument.h"

namespace posix {

bool readableFile(const char* fileName) {
    if (!fileName || !*fileName) return false;
    if (inputDocument(fileName)) return true;
    const int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    const bool ok = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    close(fd);
    return ok;
}

}  // namespace posix
