// Defaults of the program that differ between systems, and opening the log
// file with its backup.
#include <filesystem>
#include <string>
#include <system_error>

#include "plat/WinApi.h"

namespace {

// Moves an existing log file to "<name>.bak", replacing the old backup. Only
// a regular file is moved: a name that turns out to be a directory or a
// device is written to (or fails to open) but never renamed. Without a log
// file the backup is left alone, so a failed open never costs the previous
// generation.
void backUpLogFile(const char* fileName) {
    std::error_code ignored;
    // The name itself, not what a link there points to.
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(fileName, ignored))) return;
    const std::string backupName = std::string(fileName) + ".bak";
    remove(backupName.c_str());
    rename(fileName, backupName.c_str());
}

}  // namespace

const char* defaultLogFileName() {
    return "C:\\temp\\quorlex.log";
}

FILE* openLogFile(const char* name) {
    backUpLogFile(name);
    // A failed open leaves the reason in the last error, from the system
    // call underneath.
    return fopen(name, "w+");
}
