#include "posix/confined/DrawingHelper.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

#include "posix/drawing/DrawingPlugin.h"
#include "print/PrintLogs.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUORLEX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define QUORLEX_SANITIZED 1
#endif
#endif

namespace posix::confined {

namespace {

// How often the helper's memory is looked at while it works.
constexpr int kWatchMilliseconds = 20;
#ifndef QUORLEX_SANITIZED
// Room beyond the budget in the address space: the libraries and the
// stacks are mapped, not resident.
constexpr uint64_t kAddressSpaceRoom = uint64_t(512) << 20;
#endif
constexpr int kHelperFd = 3;

bool helpersInThreads = false;

using Clock = std::chrono::steady_clock;

// The pages of a process: resident (its memory) or mapped (its address
// space); 0 when it cannot be read.
uint64_t memoryOf(pid_t pid, bool resident) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/statm", static_cast<int>(pid));
    FILE* file = std::fopen(path, "r");
    if (!file) return 0;
    unsigned long long size = 0, rss = 0;
    const int read = std::fscanf(file, "%llu %llu", &size, &rss);
    std::fclose(file);
    if (read != 2) return 0;
    return (resident ? rss : size) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// The helper's own start: confined, then serving. Never returns.
[[noreturn]] void runHelper(int fd, pid_t program, drawing::DrawingPlugin& plugin, const DrawingSource& source,
                            const DrawingBudget& budget) {
    // It goes with the program, and is found by its name.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != program) _exit(0);
    prctl(PR_SET_NAME, "quorlex-drawing");
    // Nothing it starts gains privileges; it has no network of its own to
    // reach (a namespace of its own holds only a loopback that is down);
    // a crash writes no core.
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (unshare(CLONE_NEWNET) != 0) unshare(CLONE_NEWUSER | CLONE_NEWNET);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // Only the socket and the standard streams: nothing of the job, the
    // printer or the log files the program holds.
    if (fd != kHelperFd) {
        dup2(fd, kHelperFd);
        close(fd);
    }
    close_range(kHelperFd + 1, ~0U, 0);
    signal(SIGPIPE, SIG_IGN);
#ifndef QUORLEX_SANITIZED
    // The sanitizers reserve terabytes of address space of their own.
    if (const uint64_t mapped = memoryOf(getpid(), false); mapped > 0) {
        const rlimit space{mapped + budget.bytes() + kAddressSpaceRoom, mapped + budget.bytes() + kAddressSpaceRoom};
        setrlimit(RLIMIT_AS, &space);
    }
#endif
    allowProcessorTime(budget.seconds);
    try {
        DrawingService service(plugin, source);
        serveRequests(kHelperFd, service, budget.seconds);
    } catch (const std::bad_alloc&) {
        _exit(kExitOutOfMemory);
    } catch (...) {
        _exit(1);
    }
    _exit(0);
}

}  // namespace

std::unique_ptr<DrawingHelper> DrawingHelper::start(const DrawingSource& source, const DrawingBudget& budget,
                                                    OpenedDocument& opened, std::string& why) {
    drawing::DrawingPlugin* plugin = drawing::drawingPlugin();
    if (!plugin) {
        why = "the drawing plugin cannot be loaded";
        return nullptr;
    }
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        why = std::string("the drawing helper cannot be started: ") + std::strerror(errno);
        return nullptr;
    }
    if (helpersInThreads) {
        std::unique_ptr<DrawingHelper> helper(new DrawingHelper(0, fds[0], budget));
        const int served = fds[1];
        helper->server_ = std::thread([served, plugin, source] {
            {
                DrawingService service(*plugin, source);
                serveRequests(served, service, 0);
            }
            close(served);
        });
        std::string body;
        if (!helper->await(MessageKind::Opened, body, "reading the document for drawing", why)) return nullptr;
        MessageIn in(body);
        uint32_t error = 0, pages = 0, permissions = 0, microseconds = 0;
        if (!in.number(error) || !in.number(pages) || !in.number(permissions) || !in.number(microseconds) ||
            pages > INT32_MAX)
            return nullptr;
        opened = OpenedDocument{error, static_cast<int>(pages), permissions};
        return helper;
    }
    const pid_t program = getpid();
    // What the parent wrote but not yet flushed must not be written twice.
    std::fflush(nullptr);
    const Clock::time_point started = Clock::now();
    const uint64_t resident = memoryOf(program, true);
    const pid_t pid = fork();
    if (pid < 0) {
        why = std::string("the drawing helper cannot be started: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return nullptr;
    }
    if (pid == 0) {
        close(fds[0]);
        runHelper(fds[1], program, *plugin, source, budget);
    }
    close(fds[1]);
    std::unique_ptr<DrawingHelper> helper(new DrawingHelper(pid, fds[0], budget));
    helper->startedWith_ = resident;

    std::string body;
    if (!helper->await(MessageKind::Opened, body, "reading the document for drawing", why)) return nullptr;
    MessageIn in(body);
    uint32_t error = 0, pages = 0, permissions = 0, microseconds = 0;
    if (!in.number(error) || !in.number(pages) || !in.number(permissions) || !in.number(microseconds) ||
        !in.atEnd() || pages > INT32_MAX) {
        helper->reap(true, "");
        why = "the drawing helper answered what was not asked";
        return nullptr;
    }
    opened = OpenedDocument{error, static_cast<int>(pages), permissions};
    // What starting a helper costs beyond reading the document, which
    // drawing needs wherever it runs.
    const double total = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    pdfPrintLog.info("Drawing helper %d ready in %.1f ms, %.1f ms of it reading the document", static_cast<int>(pid),
                     total, microseconds / 1000.0);
    return helper;
}

DrawingHelper::~DrawingHelper() {
    if (pid_ >= 0) reap(true, "");
}

void DrawingHelper::serveInThreads(bool inThreads) { helpersInThreads = inThreads; }

bool DrawingHelper::ask(MessageKind request, const std::string& body, MessageKind expected, std::string& answer,
                        std::string& why) {
    if (pid_ < 0) {
        why = "the drawing helper has ended";
        return false;
    }
    if (!sendMessage(fd_, request, body)) {
        why = reap(true, "drawing it");
        return false;
    }
    return await(expected, answer, "drawing it", why);
}

bool DrawingHelper::await(MessageKind expected, std::string& body, const char* activity, std::string& why) {
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(budget_.seconds);
    pageReached_ = -1;
    std::string header;
    uint64_t length = 0;
    bool headerRead = false;
    body.clear();
    char chunk[64 * 1024];
    uint32_t kind = 0;
    uint32_t pagesStarted = 0;
    Clock::time_point nextLook = Clock::now();
    for (;;) {
        if (headerRead && body.size() == length) {
            if (kind == static_cast<uint32_t>(expected)) return true;
            // A page of several begins: its budget starts now.
            uint32_t index = 0;
            MessageIn in(body);
            if (!in.number(index) || !in.atEnd() || index > INT32_MAX) {
                reap(true, activity);
                why = "the drawing helper answered what was not asked";
                return false;
            }
            pageReached_ = static_cast<int>(index);
            deadline = Clock::now() + std::chrono::seconds(budget_.seconds);
            header.clear();
            body.clear();
            headerRead = false;
            continue;
        }
        pollfd ready{fd_, POLLIN, 0};
        const int polled = poll(&ready, 1, kWatchMilliseconds);
        if (polled < 0 && errno != EINTR) {
            why = reap(true, activity);
            return false;
        }
        if (polled > 0) {
            const size_t wanted = headerRead ? std::min<uint64_t>(sizeof chunk, length - body.size())
                                             : kHeaderSize - header.size();
            const ssize_t got = recv(fd_, chunk, wanted, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
                // The helper ended (or closed its side): how it ended says why.
                why = reap(false, activity);
                return false;
            }
            if (got > 0) {
                if (headerRead) {
                    body.append(chunk, static_cast<size_t>(got));
                } else {
                    header.append(chunk, static_cast<size_t>(got));
                    if (header.size() == kHeaderSize) {
                        const bool progress = expected == MessageKind::PdfPages;
                        // A word of progress is one number, and comes before
                        // each page at most twice (it is read, then drawn).
                        if (!readHeader(header, kind, length) ||
                            (kind != static_cast<uint32_t>(expected) &&
                             !(progress && kind == static_cast<uint32_t>(MessageKind::PageStarted))) ||
                            (kind == static_cast<uint32_t>(MessageKind::PageStarted) &&
                             (length != 4 || ++pagesStarted > 2 * kMostPagesTogether))) {
                            reap(true, activity);
                            why = "the drawing helper answered what was not asked";
                            return false;
                        }
                        headerRead = true;
                    }
                }
            }
        }
        if (pid_ > 0 && Clock::now() > deadline) {
            reap(true, activity);
            why = budgetPassed(activity, false);
            return false;
        }
        const Clock::time_point now = Clock::now();
        if (now < nextLook) continue;
        nextLook = now + std::chrono::milliseconds(kWatchMilliseconds);
        if (pid_ > 0 && memoryOf(pid_, true) > startedWith_ + budget_.bytes()) {
            reap(true, activity);
            why = budgetPassed(activity, true);
            return false;
        }
    }
}

std::string DrawingHelper::budgetPassed(const char* activity, bool memory) const {
    return std::string(activity) +
           (memory ? " needed more than " + std::to_string(budget_.megabytes) + " MiB"
                   : " took more than " + std::to_string(budget_.seconds) + " s");
}

std::string DrawingHelper::reap(bool kill, const char* activity) {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (pid_ == 0) {
        // Served in a thread: it ends once its socket is closed.
        if (server_.joinable()) server_.join();
        pid_ = -1;
        return "the drawing helper ended while " + std::string(activity);
    }
    if (pid_ < 0) return "the drawing helper has ended";
    if (kill) ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGXCPU)
            return std::string(activity) + " took more than " + std::to_string(budget_.seconds) +
                   " s of processor time";
        return std::string("the drawing helper ended while ") + activity + ": signal " + std::to_string(signal) +
               " (" + strsignal(signal) + ")";
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == kExitOutOfMemory) return budgetPassed(activity, true);
    return std::string("the drawing helper ended while ") + activity + ": exit code " + std::to_string(code);
}

}  // namespace posix::confined
