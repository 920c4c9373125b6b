// A console on demand: noted at start-up when standard input is usable,
// allocated by "-console" and the usage text otherwise.
#include "app/ConsoleAndUsage.h"

#include <cstdio>

#include "app/CommandLine.h"
#include "plat/Exception.h"
#include "plat/LogWriter.h"
#include "plat/WinApi.h"

namespace {

// A stream that cannot be reopened is closed by freopen; its output is then
// lost, which is all that can be done without a console.
void reopen(const char* device, const char* mode, FILE* stream) {
    FILE* reopened = freopen(device, mode, stream);
    (void)reopened;
}

}  // namespace

Console::Console() : present(false) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr) return;
    if (input != INVALID_HANDLE_VALUE) {
        // Duplicating tells a real handle from a stale one; the standard
        // input handle itself is left alone.
        HANDLE copy = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), input, GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            CloseHandle(copy);
        } else {
            input = nullptr;
        }
    }
    present = input != nullptr && input != INVALID_HANDLE_VALUE;
}

void Console::ensure() {
    if (present) return;
    if (!AllocConsole()) throw plat::SystemException("AllocConsole", GetLastError());
    // The same stream objects, so the log targets bound to them follow.
    reopen(consoleInputName(), "rb", stdin);
    reopen(consoleOutputName(), "wb", stdout);
    reopen(consoleOutputName(), "wb", stderr);
    setbuf(stderr, nullptr);
    present = true;
}

void waitForEnter() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return;
    (void)getchar();
}

namespace {

// Every line reaches the terminal before the next read or write to the
// other stream.
void say(const char* text) {
    fputs(text, stdout);
    fflush(stdout);
}

}  // namespace

void printUsage() {
    console.ensure();
    say("usage: quorlex <options>\n");
    say("Command-line options:\n");
    say("  -help [all]                          - Provide (advanced) usage information.\n");
    say("  -console                             - Run with a console window visible.\n");
    say("  -printini iniFilename                - Use print ini file to determine print information\n");
    say("  -printpdf pdfFilename printer        - Print pdf file to supplied printername\n");
    say("  -dontclean                           - Don't delete the print files when complete\n");
    say("\nLog names:\n");
    plat::LogWriter::listNames();
    fflush(stderr);
    say("\nLog destinations:\n");
    plat::Logger::listNames();
    fflush(stderr);
    say("Press Enter/Return key to continue\n");
    waitForEnter();
    throw ExitException{1};
}
