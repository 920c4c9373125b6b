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
// one that prints), and never the terminal.
void answerPasswordQuestions();

// Gives the connection the run's user name and password for HTTP Basic
// authentication, sent with every request on it, when a password was given
// and the connection is for jobs (which servers guard) or the server asked
// for it on other requests before. The program sends the password itself
// rather than answer CUPS's question with it, as CUPS would try a refused
// password a second time by itself; a server that refuses it is never
// asked again.
void signInOn(http_t* http, bool forJobs);

// True once after a request failed because the server asked for the login
// on a connection that had not sent it: the connection now carries it, and
// the request may be made again.
bool loginJustAttached();

// Makes the request, and once more when it failed only for want of the
// login the connection now carries.
template <typename Request>
auto withLogin(Request request) {
    auto result = request();
    if (loginJustAttached()) result = request();
    return result;
}

// A connection that is closed; its address may be reused by a new one.
void forgetConnection(http_t* http);

// Why signing in failed, when a server asked in this run and had no
// password or refused the one given, with how to give one; else empty.
std::string loginTrouble();

// Whether a failed request's status is about signing in.
bool isLoginStatus(ipp_status_t status);

}  // namespace posix
