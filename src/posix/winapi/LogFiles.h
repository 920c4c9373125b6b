// Where the log file goes unless LogFile names another: a file of the
// user's own, never one in a folder others share.
#pragma once

#include <string>

namespace posix {

// $XDG_STATE_HOME/quorlex/quorlex.log, else ~/.local/state/quorlex/quorlex.log,
// else quorlex.log in a folder of the user's own (mode 0700) under the
// temporary folder.
std::string perUserLogFileName();

}  // namespace posix
