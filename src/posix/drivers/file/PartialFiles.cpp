#include "posix/drivers/file/PartialFiles.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace posix {

namespace {

// The signals whose default action ends the process and that another
// process, a terminal or a resource limit sends: those the run can
// clean up after. (A crash is not among them.)
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,   SIGALRM,
                                  SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};

// Fixed slots: the handler may not allocate or lock.
std::atomic<const char*> partialFiles[4];

extern "C" void removePartialFilesAndEnd(int signal) {
    for (std::atomic<const char*>& slot : partialFiles)
        if (const char* path = slot.load()) unlink(path);
    // Ended by the signal itself (SA_RESETHAND has restored its default
    // action), so whoever started the run sees how it ended.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = removePartialFilesAndEnd;
    action.sa_flags = SA_RESETHAND;
    // One clean-up at a time: a second signal waits for the first.
    sigemptyset(&action.sa_mask);
    for (int signal : kEndingSignals) sigaddset(&action.sa_mask, signal);
    for (int signal : kEndingSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
            (current.sa_flags & SA_SIGINFO) == 0)
            sigaction(signal, &action, nullptr);
    }
}

}  // namespace

void removeOnSignal(const char* path) {
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
    for (std::atomic<const char*>& slot : partialFiles) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path)) return;
    }
}

void forgetOnSignal(const char* path) {
    for (std::atomic<const char*>& slot : partialFiles) {
        const char* expected = path;
        slot.compare_exchange_strong(expected, nullptr);
    }
}

}  // namespace posix
