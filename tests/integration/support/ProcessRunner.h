// Runs a program as a user would start it and collects what it wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace itest {

enum class Stdin {
    Closed,     // file descriptor 0 closed: no usable standard input
    DevNull,    // /dev/null
    Pipe,       // a pipe carrying RunOptions::input
    HeldPipe,   // a pipe the caller holds open and never writes to, as job
                // runners and Node's execFile leave it
};

struct RunOptions {
    Stdin stdinMode = Stdin::Closed;
    std::string input;                               // for Stdin::Pipe
    std::map<std::string, std::string> env;          // added to (or replacing) the environment
    // Removed from the environment: by default the display, so that a failed
    // run never waits for a notice nobody will close.
    std::vector<std::string> unsetEnv{"DISPLAY", "WAYLAND_DISPLAY"};
    std::string workingDirectory;                    // empty: the current one
    int timeoutSeconds = 120;                        // killed after this
    bool newSession = true;                          // setsid(): no controlling terminal
};

struct RunResult {
    int exitCode = -1;          // -1 when killed by a signal or the timeout
    bool timedOut = false;
    std::string out;
    std::string err;
};

// The environment a run gets: this process's, with options.unsetEnv removed
// and options.env added ("NAME=value" entries).
std::vector<std::string> buildEnvironment(const RunOptions& options);

// The program's path followed by its arguments.
std::vector<std::string> commandLine(const std::string& program, const std::vector<std::string>& args);

// A command line or an environment as execve takes it: the strings, and a
// pointer to each of them followed by a null pointer.
class ExecStrings {
public:
    explicit ExecStrings(std::vector<std::string> strings);
    ExecStrings(const ExecStrings&) = delete;
    ExecStrings& operator=(const ExecStrings&) = delete;

    char* const* get() const { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

RunResult run(const std::string& program, const std::vector<std::string>& args,
              const RunOptions& options = {});

// The quorlex binary under test.
RunResult runQuorlex(const std::vector<std::string>& args, const RunOptions& options = {});

// A fresh directory under the build's temporary folder, removed at exit.
std::string makeTempDir(const std::string& tag);

std::string readFile(const std::string& path);

// A log as one line per message: the lines a message wrapped into under the
// writer-name column joined again.
std::string unwrapped(const std::string& log);
// Whether the text, read as one line per message, holds the part.
bool holds(const std::string& text, const std::string& part);
// How many times the text holds the part.
int countOf(const std::string& text, const std::string& part);
bool fileExists(const std::string& path);

}  // namespace itest
