#include "integration/support/TerminalRunner.h"

#include "integration/support/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace itest {
namespace {

constexpr const char* kPrompt = "Press Enter/Return key to continue\n";

}  // namespace

TerminalResult runOnTerminal(const std::vector<std::string>& args, int timeoutSeconds,
                             const std::map<std::string, std::string>& env) {
    TerminalResult result;
    int master = -1, slave = -1;
    termios raw{};
    cfmakeraw(&raw);
    int outPipe[2], errPipe[2];
    if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return result;
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;

    const ExecStrings argv(commandLine(QUORLEX_BIN, args));

    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(0);
        for (int fd : {master, slave, outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        execv(QUORLEX_BIN, argv.get());
        _exit(127);
    }
    // The parent keeps its end of the terminal open until the program is
    // gone, so the terminal is not hung up before the program opens it.
    close(outPipe[1]);
    close(errPipe[1]);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[3] = {{master, POLLIN, 0}, {outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[3] = {&result.terminal, &result.out, &result.err};
    char buffer[4096];
    auto drain = [&](int i) {
        for (;;) {
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n == 0 && i > 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
            return;
        }
    };
    int status = 0;
    bool exited = false;
    while (!exited || fds[1].fd >= 0 || fds[2].fd >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        poll(fds, 3, static_cast<int>(std::min<long long>(left, 100)));
        for (int i = 0; i < 3; ++i)
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) drain(i);
        for (int seen = countOf(result.terminal, kPrompt); result.prompts < seen; ++result.prompts)
            (void)!write(master, "\n", 1);
        if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    }
    drain(0);
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    close(slave);
    if (exited && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

}  // namespace itest
