// Runs the program with a controlling terminal of its own (a pseudo
// terminal) while its standard streams lead elsewhere, as when a program
// without a console is started from a desktop session.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace itest {

struct TerminalResult {
    int exitCode = -1;          // -1 when killed by the timeout
    int prompts = 0;            // "Press Enter/Return key to continue" answered
    std::string terminal;       // what appeared on the terminal
    std::string out;            // standard output (a pipe)
    std::string err;            // standard error (a pipe)
};

// Standard input is closed; every prompt that appears on the terminal is
// answered with Enter. env is set in the program's environment.
TerminalResult runOnTerminal(const std::vector<std::string>& args, int timeoutSeconds = 60,
                             const std::map<std::string, std::string>& env = {});

}  // namespace itest
