// Who the program prints as where a print server or printer asks for a user
// name and password: the ones the run was given (User, PasswordFile), and
// never a prompt. libcups' own answer reads a password from the terminal,
// which an unattended program must never do.
#pragma once

#include <cups/cups.h>

#include <string>

namespace posix {

// The user the jobs are for and who signs in (null or empty: the login
// name), and the password (null: none was given).
void useLogin(const char* user, const char* password);

// Makes CUPS ask this module for passwords (on the calling thread, the only
// one that prints). A connection gets the password once: asked again, the
// password was wrong, and it is never offered again.
void answerPasswordQuestions();

// A connection that is closed; its address may be reused by a new one.
void forgetConnection(http_t* http);

// Why signing in failed, when a server asked in this run and had no
// password or refused the one given, with how to give one; else empty.
std::string loginTrouble();

// Whether a failed request's status is about signing in.
bool isLoginStatus(ipp_status_t status);

}  // namespace posix
