#include "integration/support/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

extern char** environ;

namespace itest {

std::vector<std::string> buildEnvironment(const RunOptions& options) {
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq) merged[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
    }
    for (const auto& name : options.unsetEnv) merged.erase(name);
    for (const auto& [k, v] : options.env) merged[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : merged) out.push_back(k + "=" + v);
    return out;
}

std::vector<std::string> commandLine(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> line{program};
    line.insert(line.end(), args.begin(), args.end());
    return line;
}

ExecStrings::ExecStrings(std::vector<std::string> strings) : strings_(std::move(strings)) {
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
}

RunResult run(const std::string& program, const std::vector<std::string>& args,
              const RunOptions& options) {
    RunResult result;
    int outPipe[2], errPipe[2], inPipe[2] = {-1, -1};
    // Close-on-exec: a child started by another thread must not keep these open.
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return result;
    const bool inputPipe = options.stdinMode == Stdin::Pipe || options.stdinMode == Stdin::HeldPipe;
    if (inputPipe && pipe2(inPipe, O_CLOEXEC) != 0) return result;

    const ExecStrings envp(buildEnvironment(options));
    const ExecStrings argv(commandLine(program, args));

    pid_t pid = fork();
    if (pid == 0) {
        if (options.newSession) setsid();
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]); close(outPipe[1]);
        close(errPipe[0]); close(errPipe[1]);
        switch (options.stdinMode) {
        case Stdin::Closed: close(0); break;
        case Stdin::DevNull: {
            int fd = open("/dev/null", O_RDONLY);
            dup2(fd, 0);
            if (fd != 0) close(fd);
            break;
        }
        case Stdin::Pipe:
        case Stdin::HeldPipe:
            dup2(inPipe[0], 0);
            close(inPipe[0]); close(inPipe[1]);
            break;
        }
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0)
            _exit(126);
        execve(program.c_str(), argv.get(), envp.get());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (options.stdinMode == Stdin::Pipe) {
        close(inPipe[0]);
        signal(SIGPIPE, SIG_IGN);
        size_t done = 0;
        while (done < options.input.size()) {
            ssize_t n = write(inPipe[1], options.input.data() + done, options.input.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        close(inPipe[1]);
    } else if (options.stdinMode == Stdin::HeldPipe) {
        close(inPipe[0]);
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        int ready = poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    if (options.stdinMode == Stdin::HeldPipe) close(inPipe[1]);
    if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

RunResult runQuorlex(const std::vector<std::string>& args, const RunOptions& options) {
    return run(QUORLEX_BIN, args, options);
}

std::string makeTempDir(const std::string& tag) {
    static const std::filesystem::path root = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorlex-itest-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        std::filesystem::path dir = made ? made : "/tmp";
        static struct Cleanup {
            std::filesystem::path dir;
            ~Cleanup() {
                if (!std::getenv("QUORLEX_KEEP_TEST_FILES")) {
                    std::error_code ec;
                    std::filesystem::remove_all(dir, ec);
                }
            }
        } cleanup{dir};
        return dir;
    }();
    static int counter = 0;
    std::filesystem::path dir = root / (tag + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string unwrapped(const std::string& log) {
    std::string text;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == '\n' && log.compare(i + 1, 14, std::string(14, ' ')) == 0) {
            text += ' ';
            i += 14;
        } else {
            text += log[i];
        }
    }
    return text;
}

bool holds(const std::string& text, const std::string& part) { return unwrapped(text).find(part) != std::string::npos; }

int countOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace itest
