// Who the run prints as where a print server or printer asks for a user
// name and password (User=NAME, PasswordFile=PATH): handed to the system's
// printing before the printer is opened. The password is read from its
// file there and goes nowhere else: not into a log, a message or a command
// line.
#pragma once

#include <optional>
#include <string>

// Signs in with the user (none: the login name) and the password on the
// first line of the file (none: no password). Throws plat::BadParameterValue
// naming the parameter when the file cannot be used (it is missing, a
// symbolic link, readable by others than its owner, or holds no password)
// or when the system cannot sign in that way.
void usePrinterLogin(const std::optional<std::string>& user, const std::optional<std::string>& passwordFile);
