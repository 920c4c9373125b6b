// Console attachment on demand, and the usage text.
#pragma once

struct Console {
    bool present;

    Console();
    // Afterwards present is true, or plat::SystemException "AllocConsole" was thrown.
    void ensure();
};

extern Console console;

// Reads the Enter key after a prompt, but only from a console: a caller's
// pipe that is never closed, a file or the null device must not hold the
// run, so from those nothing is read.
void waitForEnter();

// Writes the usage text, waits for Enter and throws ExitException(1).
[[noreturn]] void printUsage();
