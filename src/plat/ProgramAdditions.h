// The program's own additions to the system interface: the few things the
// core needs that differ between systems but have no Windows name. Each
// platform defines them (src/win32, src/posix/winapi); included by the
// platform's header after the system types.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The device names the console's streams are reopened on after AllocConsole
// ("CONIN$" and "CONOUT$" on Windows; on POSIX the controlling terminal).
const char* consoleInputName();
const char* consoleOutputName();
// Writes UTF-16 text to a standard stream (on POSIX as UTF-8, so that the
// stream never becomes wide-oriented); a negative result on failure.
int writeWideText(FILE* stream, const WCHAR* text);
// The log file the "file" target writes to unless LogFile names another
// ("C:\\temp\\quorlex.log" on Windows).
const char* defaultLogFileName();
// Moves an existing log file to "<name>.bak" and opens the log anew, empty;
// null, with the last error set, when it cannot be opened.
FILE* openLogFile(const char* name);
// Writes the bytes as the whole of the file name (UTF-8), readable and
// writable by its user alone: first under a temporary name beside it, then
// renamed over it, so that a reader sees the old file or all of the new.
// 0, or the system's error code.
DWORD replaceOwnFile(const char* name, const char* bytes, size_t size);
// Reads standard input to its end into bytes, at most `most` of them and
// one more, so that the caller tells a larger input from one that fits.
// 0, or the system's error code.
DWORD readStandardInput(std::string& bytes, size_t most);
// Shows a modal message box where someone can see it and returns the
// button pressed; 0 at once, with no box, where nobody could (on Windows a
// service, a task without a logged-on user, session 0; on POSIX no
// display) or where none can be made.
int showNoticeBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// The value of an environment variable in UTF-8 (Windows keeps them in
// UTF-16, and its narrow getenv gives them in the ANSI code page); false
// when it is not set.
bool readEnvironmentVariable(const char* name, std::string& value);
