// MessageBoxW on POSIX: a modal desktop dialog (zenity, kdialog or
// xmessage, the first one installed) when a display is set, waited for
// until the user closes it. Without a display, or when no dialog program
// can be started, the result is 0 at once, so a headless run never blocks.
// Caption and text reach the dialog as separate arguments, never through a
// shell.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "posix/winapi/Utf.h"
#include "posix/KernelApi.h"

extern char** environ;

namespace {

enum class Buttons { Ok, OkCancel, YesNo };

struct Request {
    std::string caption;
    std::string text;
    Buttons buttons;
    UINT icon;      // the MB_ICON bits
};

// How one dialog program is asked, and how its exit status maps to a button.
struct Dialog {
    std::vector<std::string> arguments;   // without the program itself
    std::string input;                    // written to its standard input
    int (*result)(const Request&, int status);
};

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// zenity and kdialog: 0 accepts, 1 declines (or closes the window).
int acceptOrDecline(const Request& request, int status) {
    if (status != 0 && status != 1) return 0;
    bool accepted = status == 0;
    switch (request.buttons) {
    case Buttons::Ok: return IDOK;
    case Buttons::OkCancel: return accepted ? IDOK : IDCANCEL;
    case Buttons::YesNo: return accepted ? IDYES : IDNO;
    }
    return 0;
}

Dialog zenity(const Request& r) {
    Dialog d{{}, {}, acceptOrDecline};
    if (r.buttons == Buttons::Ok) {
        d.arguments.push_back(r.icon == MB_ICONERROR     ? "--error"
                              : r.icon == MB_ICONWARNING ? "--warning"
                                                         : "--info");
    } else {
        d.arguments.push_back("--question");
        bool yesNo = r.buttons == Buttons::YesNo;
        d.arguments.push_back(yesNo ? "--ok-label=Yes" : "--ok-label=OK");
        d.arguments.push_back(yesNo ? "--cancel-label=No" : "--cancel-label=Cancel");
    }
    d.arguments.push_back("--no-markup");
    d.arguments.push_back("--title=" + r.caption);
    d.arguments.push_back("--text=" + r.text);
    return d;
}

Dialog kdialog(const Request& r) {
    Dialog d{{"--title=" + r.caption}, {}, acceptOrDecline};
    if (r.buttons == Buttons::Ok) {
        d.arguments.push_back((r.icon == MB_ICONERROR     ? "--error="
                               : r.icon == MB_ICONWARNING ? "--sorry="
                                                          : "--msgbox=") + r.text);
    } else {
        d.arguments.push_back((r.icon == MB_ICONWARNING ? "--warningyesno=" : "--yesno=") + r.text);
        if (r.buttons == Buttons::OkCancel) {
            d.arguments.push_back("--yes-label=OK");
            d.arguments.push_back("--no-label=Cancel");
        }
    }
    return d;
}

// xmessage exits with the value of the button pressed; the values are
// 100 above the button ids, apart from its own error status 1.
constexpr int kXmessageOffset = 100;

int xmessageResult(const Request&, int status) {
    int id = status - kXmessageOffset;
    return id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO ? id : 0;
}

Dialog xmessage(const Request& r) {
    auto button = [](const char* label, int id) {
        return std::string(label) + ":" + std::to_string(kXmessageOffset + id);
    };
    std::string buttons = r.buttons == Buttons::Ok       ? button("OK", IDOK)
                          : r.buttons == Buttons::OkCancel ? button("OK", IDOK) + "," + button("Cancel", IDCANCEL)
                                                           : button("Yes", IDYES) + "," + button("No", IDNO);
    // The text comes through standard input, so that nothing in it is read
    // as an option.
    return Dialog{{"-title", r.caption, "-buttons", buttons, "-default",
                   r.buttons == Buttons::YesNo ? "Yes" : "OK", "-center", "-file", "-"},
                  r.text + "\n",
                  xmessageResult};
}

void writeAll(int fd, const std::string& data) {
    // A dialog that dies before reading must not take this process with it.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    for (size_t done = 0; done < data.size();) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    sigaction(SIGPIPE, &previous, nullptr);
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t actions;
};

// Runs the dialog and waits for it; false when it could not be started.
bool runDialog(const std::string& program, const Dialog& dialog, int& status) {
    int input[2];
    if (pipe2(input, O_CLOEXEC) != 0) return false;
    SpawnActions spawn;
    posix_spawn_file_actions_adddup2(&spawn.actions, input[0], 0);
    posix_spawn_file_actions_addopen(&spawn.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&spawn.actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions, 3);
#endif

    std::vector<std::string> strings{program};
    strings.insert(strings.end(), dialog.arguments.begin(), dialog.arguments.end());
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), &spawn.actions, nullptr, argv.data(), environ);
    close(input[0]);
    if (error != 0) {
        close(input[1]);
        return false;
    }
    writeAll(input[1], dialog.input);
    close(input[1]);

    int waitStatus = 0;
    while (waitpid(pid, &waitStatus, 0) < 0) {
        if (errno != EINTR) return false;
    }
    status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    return true;
}

}  // namespace

int MessageBoxW(HWND /*owner*/, LPCWSTR text, LPCWSTR caption, UINT type) {
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) return 0;

    Request request{posix::toUtf8(caption), posix::toUtf8(text), Buttons::Ok, type & 0x70u};
    switch (type & 0x0Fu) {
    case MB_OKCANCEL: request.buttons = Buttons::OkCancel; break;
    case MB_YESNO: request.buttons = Buttons::YesNo; break;
    default: break;
    }

    struct Tool {
        const char* name;
        Dialog (*build)(const Request&);
    };
    static constexpr Tool tools[] = {{"zenity", zenity}, {"kdialog", kdialog}, {"xmessage", xmessage}};
    for (const Tool& tool : tools) {
        std::string program = findProgram(tool.name);
        if (program.empty()) continue;
        Dialog dialog = tool.build(request);
        int status = 0;
        if (runDialog(program, dialog, status)) return status < 0 ? 0 : dialog.result(request, status);
    }
    return 0;
}

int showNoticeBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    // Without a display MessageBoxW gives 0 at once: no one to wait for.
    return MessageBoxW(owner, text, caption, type);
}
