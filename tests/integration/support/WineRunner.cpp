#include "integration/support/WineRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "integration/support/VirtualDisplay.h"

namespace itest::wine {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Opens path for the child's descriptor target, or leaves the child with
// exit code 126 when it cannot.
void redirect(const std::string& path, int flags, int target) {
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) _exit(126);
    if (fd != target) {
        dup2(fd, target);
        close(fd);
    }
}

}  // namespace

const Setup* setup() {
    static const Setup* const found = []() -> const Setup* {
        static Setup s;
        s.buildFolder = variable("QUORLEX_WINDOWS_BUILD");
        s.prefix = variable("WINEPREFIX");
        if (s.buildFolder.empty() || s.prefix.empty()) return nullptr;
        s.program = s.buildFolder + "/quorlex.exe";
        return &s;
    }();
    return found;
}

namespace {

// Writes the bytes into a pipe's end and closes it, in the background, so
// that a program reading slower than the pipe holds is fed to the end.
class PipeWriter {
public:
    PipeWriter(int end, const std::string& bytes)
        : thread_([end, &bytes] {
              for (size_t written = 0; written < bytes.size();) {
                  const ssize_t now = write(end, bytes.data() + written, bytes.size() - written);
                  if (now <= 0) break;   // the reader went: what it took is what counts
                  written += static_cast<size_t>(now);
              }
              close(end);
          }) {}
    ~PipeWriter() { thread_.join(); }
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

private:
    std::thread thread_;
};

RunResult runWine(const std::string& program, const std::vector<std::string>& args, const RunOptions& options,
                  const std::string* pipedInput) {
    RunResult result;
    static const std::string wineProgram = findProgram("wine");
    if (wineProgram.empty()) {
        result.err = "wine is not installed";
        return result;
    }
    static int counter = 0;
    const std::string folder = makeTempDir("wine-run-" + std::to_string(++counter));
    const std::string outFile = folder + "/stdout", errFile = folder + "/stderr",
                      inFile = folder + "/stdin";
    if (options.stdinMode == Stdin::Pipe) std::ofstream(inFile, std::ios::binary) << options.input;
    int heldPipe[2] = {-1, -1};
    const bool throughPipe = options.stdinMode == Stdin::HeldPipe || pipedInput != nullptr;
    if (throughPipe && pipe2(heldPipe, O_CLOEXEC) != 0) return result;

    std::vector<std::string> argStrings = {wineProgram, program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    RunOptions withWine = options;
    withWine.env.try_emplace("WINEDEBUG", "-all");
    withWine.env.try_emplace("WINEDLLOVERRIDES", "mscoree,mshtml=");
    std::vector<std::string> envStrings = buildEnvironment(withWine);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) return result;
    if (pid == 0) {
        if (options.newSession) setsid();
        redirect(outFile, O_WRONLY | O_CREAT | O_TRUNC, 1);
        redirect(errFile, O_WRONLY | O_CREAT | O_TRUNC, 2);
        switch (options.stdinMode) {
        case Stdin::Closed: close(0); break;
        case Stdin::DevNull: redirect("/dev/null", O_RDONLY, 0); break;
        case Stdin::Pipe: redirect(inFile, O_RDONLY, 0); break;
        case Stdin::HeldPipe: dup2(heldPipe[0], 0); break;
        }
        if (pipedInput) dup2(heldPipe[0], 0);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0)
            _exit(126);
        execve(wineProgram.c_str(), argv.data(), envp.data());
        _exit(127);
    }

    if (heldPipe[0] >= 0) close(heldPipe[0]);
    std::optional<PipeWriter> writer;
    if (pipedInput) {
        signal(SIGPIPE, SIG_IGN);   // a reader that ends early is the program's affair
        writer.emplace(heldPipe[1], *pipedInput);
        heldPipe[1] = -1;
    }
    // The program's end is what counts; helpers it left running keep the
    // files open, which does no harm.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (heldPipe[1] >= 0) close(heldPipe[1]);
    if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

}  // namespace

RunResult run(const std::string& program, const std::vector<std::string>& args, const RunOptions& options) {
    return runWine(program, args, options, nullptr);
}

RunResult runPiped(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const RunOptions& options) {
    return runWine(program, args, options, &input);
}

RunResult runQuorlex(const std::vector<std::string>& args, const RunOptions& options) {
    const Setup* s = setup();
    if (!s) return {};
    return wine::run(s->program, args, options);
}

namespace {

// True when a process of the prefix runs Wine's desktop (explorer.exe).
bool desktopRuns(const std::string& prefix) {
    const std::string wanted = "WINEPREFIX=" + prefix;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string command = readFile(entry.path().string() + "/cmdline");
        if (command.find("explorer.exe") == std::string::npos) continue;
        const std::string environment = readFile(entry.path().string() + "/environ");
        size_t start = 0;
        while (start < environment.size()) {
            size_t end = environment.find('\0', start);
            if (end == std::string::npos) end = environment.size();
            if (environment.compare(start, end - start, wanted) == 0) return true;
            start = end + 1;
        }
    }
    return false;
}

}  // namespace

bool waitForNoDesktop(int timeoutSeconds) {
    const Setup* s = setup();
    if (!s) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (desktopRuns(s->prefix)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
}

int majorVersion() {
    static const int major = [] {
        const std::string wine = findProgram("wine");
        if (wine.empty()) return 0;
        const RunResult r = itest::run(wine, {"--version"});
        return r.out.starts_with("wine-") ? std::atoi(r.out.c_str() + 5) : 0;
    }();
    return major;
}

std::string windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string unixLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace itest::wine
