#include "integration/support/VirtualDisplay.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "integration/support/ProcessRunner.h"

namespace itest {

VirtualDisplay::VirtualDisplay() {
    for (int number = 97; number < 120; ++number) {
        std::string n = std::to_string(number);
        if (fileExists("/tmp/.X" + n + "-lock") || fileExists("/tmp/.X11-unix/X" + n)) continue;
        std::string display = ":" + n;
        pid_t pid = fork();
        if (pid == 0) {
            execlp("Xvfb", "Xvfb", display.c_str(), "-nolisten", "tcp", "-screen", "0", "800x600x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid < 0) return;
        for (int i = 0; i < 100; ++i) {
            if (fileExists("/tmp/.X11-unix/X" + n)) {
                pid_ = pid;
                name_ = display;
                return;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) break;   // lost the race for the number
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
}

VirtualDisplay::~VirtualDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

}  // namespace itest
