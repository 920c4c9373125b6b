// The log file: the per-user default and opening a log inside its folder,
// the previous one kept as "<name>.bak".
#include "posix/winapi/LogFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "posix/KernelApi.h"
#include "posix/winapi/LastError.h"

namespace {

constexpr char kLogName[] = "quorlex.log";

// Folders are opened only to work inside them: no read right is needed.
#ifdef O_PATH
constexpr int kFolderAccess = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderAccess = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// An open folder, closed with the object.
class FolderHandle {
public:
    explicit FolderHandle(int fd = -1) : fd_(fd) {}
    ~FolderHandle() {
        if (fd_ >= 0) close(fd_);
    }
    FolderHandle(FolderHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FolderHandle& operator=(FolderHandle&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_;
};

// A folder of the user's own in the shared temporary folder: it exists (made
// 0700 when it did not) as a real folder owned by the user that nobody else
// can write to.
bool ownTemporaryFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info;
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Fails with a text that names the folder.
FolderHandle refuse(DWORD code, const std::string& folder, const char* why) {
    posix::setLastErrorText(code, "the folder " + folder + " " + why);
    return FolderHandle();
}

// Checks that an open folder is the running user's.
FolderHandle ownedOnly(FolderHandle folder, const std::string& path) {
    struct stat info;
    if (fstat(folder.fd(), &info) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FolderHandle();
    }
    if (info.st_uid != geteuid()) return refuse(EPERM, path, "is not the user's own");
    return folder;
}

// The folder "name" inside parent, made 0700 when missing, never through a link.
FolderHandle openOwnSubfolder(const FolderHandle& parent, const std::string& name,
                              const std::string& path) {
    if (mkdirat(parent.fd(), name.c_str(), 0700) != 0 && errno != EEXIST) {
        SetLastError(static_cast<DWORD>(errno));
        return FolderHandle();
    }
    FolderHandle folder(openat(parent.fd(), name.c_str(), kFolderAccess | O_NOFOLLOW));
    if (!folder.isOpen()) {
        struct stat info;
        if (fstatat(parent.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
            return refuse(ELOOP, path, "is a symbolic link");
        SetLastError(static_cast<DWORD>(errno));
        return FolderHandle();
    }
    return ownedOnly(std::move(folder), path);
}

// Moves the log "name" in folder to its backup and opens it anew, empty and
// readable by the user alone. Only a regular file is moved. The fresh file
// is created exclusively, so that neither a link nor a file put at its name
// since is written through; what stays at the name (a device, a file that
// could not be moved) is opened as it is, but never through a link.
FILE* openLogIn(const FolderHandle& folder, const std::string& name) {
    if (name.empty()) {
        SetLastError(EISDIR);
        return nullptr;
    }
    struct stat info;
    if (fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
        const std::string backup = name + ".bak";
        unlinkat(folder.fd(), backup.c_str(), 0);
        renameat(folder.fd(), name.c_str(), folder.fd(), backup.c_str());
    }
    int fd = openat(folder.fd(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) fd = openat(folder.fd(), name.c_str(), O_RDWR | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(static_cast<DWORD>(errno));
        return nullptr;
    }
    FILE* stream = fdopen(fd, "w+");
    if (stream == nullptr) {
        SetLastError(static_cast<DWORD>(errno));
        close(fd);
    }
    return stream;
}

// The nearest folder above path that exists, opened, with path cut to it
// and the names of the levels below it that are missing, top first. Not
// open, with errno set, when none can be opened.
FolderHandle openNearestFolder(std::string& path, std::vector<std::string>& missing) {
    for (;;) {
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || path == "/") {
            errno = ENOENT;
            return FolderHandle();
        }
        missing.insert(missing.begin(), path.substr(slash + 1));
        path.resize(slash == 0 ? 1 : slash);
        FolderHandle folder(open(path.c_str(), kFolderAccess));
        if (folder.isOpen() || errno != ENOENT) return folder;
    }
}

const posix::LogLocation& defaultLogLocation() {
    static const posix::LogLocation location = posix::perUserLogLocation();
    return location;
}

}  // namespace

std::string posix::LogLocation::fileName() const {
    std::string name = base;
    for (const std::string& folder : folders) name += "/" + folder;
    return name + "/" + kLogName;
}

posix::LogLocation posix::perUserLogLocation() {
    // Per user: the XDG state folder, else ~/.local/state.
    if (const char* state = getenv("XDG_STATE_HOME"); state && state[0] == '/') return {state, {"quorlex"}, true};
    if (const char* home = getenv("HOME"); home && home[0] == '/')
        return {home, {".local", "state", "quorlex"}};
    // Else a folder of the user's own in the temporary folder; one taken by
    // somebody else is never used, a fresh one is made instead.
    const char* temporary = getenv("TMPDIR");
    const std::string base = temporary && temporary[0] == '/' ? temporary : "/tmp";
    std::string folder = base + "/quorlex-" + std::to_string(getuid());
    if (!ownTemporaryFolder(folder)) {
        std::string pattern = folder + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) folder = pattern;
    }
    return {folder, {}};
}

std::string posix::perUserLogFileName() { return perUserLogLocation().fileName(); }

FILE* posix::openPerUserLog(const LogLocation& location) {
    std::string path = location.base;
    std::vector<std::string> folders = location.folders;
    FolderHandle folder(open(path.c_str(), kFolderAccess));
    if (!folder.isOpen() && errno == ENOENT && location.makeMissingBase) {
        std::vector<std::string> missing;
        folder = openNearestFolder(path, missing);
        folders.insert(folders.begin(), missing.begin(), missing.end());
    }
    if (!folder.isOpen()) {
        SetLastError(static_cast<DWORD>(errno));
        return nullptr;
    }
    // The base may be reached through links (a home on another disk), but
    // it must be the user's: run by root with another user's HOME, the log
    // stays out of that user's folders.
    folder = ownedOnly(std::move(folder), path);
    for (const std::string& name : folders) {
        if (!folder.isOpen()) return nullptr;
        path += (path.back() == '/' ? "" : "/") + name;
        folder = openOwnSubfolder(folder, name, path);
    }
    return folder.isOpen() ? openLogIn(folder, kLogName) : nullptr;
}

const char* defaultLogFileName() {
    static const std::string name = defaultLogLocation().fileName();
    return name.c_str();
}

FILE* openLogFile(const char* name) {
    if (name == nullptr || *name == '\0') {
        SetLastError(ENOENT);
        return nullptr;
    }
    const std::string path = name;
    if (path == defaultLogFileName()) return posix::openPerUserLog(defaultLogLocation());
    // A log the user named: its folder as named (links included), the log
    // itself never through a link.
    const size_t slash = path.find_last_of('/');
    const std::string folderName = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const FolderHandle folder(open(folderName.c_str(), kFolderAccess));
    if (!folder.isOpen()) {
        SetLastError(static_cast<DWORD>(errno));
        return nullptr;
    }
    return openLogIn(folder, slash == std::string::npos ? path : path.substr(slash + 1));
}
