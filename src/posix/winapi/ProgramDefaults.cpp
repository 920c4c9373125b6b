// Defaults of the program that differ between systems, and opening the log
// file the way this system wants it.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "posix/WinApi.h"
#include "posix/winapi/LogFiles.h"

namespace {

// A folder of the user's own: it exists (made 0700 when it did not) as a
// real folder owned by the user that nobody else can write to.
bool ownFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info;
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Makes the folders above a file that are missing, 0700 (like mkdir -p).
void makeParentFolders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
        mkdir(file.substr(0, slash).c_str(), 0700);
}

}  // namespace

std::string posix::perUserLogFileName() {
    // Per user: the XDG state folder, else ~/.local/state.
    if (const char* state = getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return std::string(state) + "/quorlex/quorlex.log";
    if (const char* home = getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.local/state/quorlex/quorlex.log";
    // Else a folder of the user's own in the temporary folder; one taken by
    // somebody else is never used, a fresh one is made instead.
    const char* temporary = getenv("TMPDIR");
    const std::string base = temporary && temporary[0] == '/' ? temporary : "/tmp";
    std::string folder = base + "/quorlex-" + std::to_string(getuid());
    if (!ownFolder(folder)) {
        std::string pattern = folder + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return folder + "/quorlex.log";
        folder = pattern;
    }
    return folder + "/quorlex.log";
}

const char* defaultLogFileName() {
    static const std::string name = posix::perUserLogFileName();
    return name.c_str();
}

FILE* openLogFile(const char* name) {
    if (name == nullptr || *name == '\0') return nullptr;
    // The default log's folders are the program's to make.
    if (std::string(name) == defaultLogFileName()) makeParentFolders(name);
    // Readable by the user alone, and never through a symbolic link: a link
    // planted at the log's name would otherwise have the log overwrite
    // whatever it points to.
    const int fd = open(name, O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    FILE* stream = fdopen(fd, "w+");
    if (stream == nullptr) close(fd);
    return stream;
}
