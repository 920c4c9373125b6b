// The entry function's body and the command-line grammar.
#pragma once

#include <cstdint>

// Ends the run from inside the parser; thrown only by the usage text.
struct ExitException {
    int32_t exitCode;
};

void parseCommandLine(int argc, char** argv);

// The whole run; returns the process exit code (1 on every path).
int runQuorlex(int argc, char** argv);
