// Where the log file goes unless LogFile names another, and how a log file
// is opened: a file of the user's own, never one in a folder others share,
// never written through a symbolic link.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace posix {

// The per-user log's folder: a base folder the environment names and the
// folders below it that the program makes when they are missing.
struct LogLocation {
    std::string base;
    std::vector<std::string> folders;
    // The base may be missing too (XDG_STATE_HOME names one that does not
    // exist yet): its missing levels are made, 0700, below the nearest one
    // that exists, which must be the user's own.
    bool makeMissingBase = false;

    std::string fileName() const;   // .../quorlex.log
};

// $XDG_STATE_HOME/quorlex (made when missing, as the XDG base directory
// rules ask), else ~/.local/state/quorlex, else a folder of the
// user's own (mode 0700) under the temporary folder.
LogLocation perUserLogLocation();
std::string perUserLogFileName();

// Opens the per-user log: from the base folder down, every folder is the
// running user's own and none is a link, so that nobody can lead the log
// (and its backup's rename) into another folder. Null with the last error
// set (its text names the folder) when that does not hold.
FILE* openPerUserLog(const LogLocation& location);

}  // namespace posix
