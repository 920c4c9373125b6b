// A library under the name of a Windows system library, as someone could
// plant it in the folder a run starts in: if it is ever loaded, it leaves
// a mark where QUORLEX_PLANTED_MARK says.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void leaveAMark() {
    if (const char* mark = getenv("QUORLEX_PLANTED_MARK")) {
        const int fd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) close(fd);
    }
}
