// Console attachment on demand, and the usage text.
#pragma once

struct Console {
    bool present;

    Console();
    // Afterwards present is true, or plat::SystemException "AllocConsole" was thrown.
    void ensure();
};

extern Console console;

// Writes the usage text, waits for Enter and throws ExitException(1).
[[noreturn]] void printUsage();
