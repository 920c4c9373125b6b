// The user name and password file on POSIX: the file must be the user's
// secret (a regular file, not a link, that only its owner may read), and
// what it holds goes to the CUPS plugin alone.
#include "print/PrinterLogin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "plat/ChoiceParameter.h"
#include "posix/drivers/cups/CupsPlugin.h"

namespace {

constexpr size_t kLongestPassword = 200;   // what fits CUPS's user:password field

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw plat::BadParameterValue(("PasswordFile=" + path + " is not accepted: " + why).c_str());
}

// Closes the file and wipes what was read of it, however it is left.
struct SecretFile {
    int fd = -1;
    std::string text;
    ~SecretFile() {
        std::fill(text.begin(), text.end(), '\0');
        if (fd >= 0) close(fd);
    }
};

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

void usePrinterLogin(const std::optional<std::string>& user, const std::optional<std::string>& passwordFile) {
    if (!passwordFile) {
        posix::signInToCups(user ? user->c_str() : nullptr, nullptr);
        return;
    }
    const std::string& path = *passwordFile;
    SecretFile file;
    file.fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file.fd < 0) {
        if (errno == ELOOP) refuse(path, "it is a symbolic link; name the file itself");
        refuse(path, std::strerror(errno));
    }
    struct stat info;
    if (fstat(file.fd, &info) != 0) refuse(path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) refuse(path, "it is not a regular file");
    if ((info.st_mode & (S_IRGRP | S_IROTH)) != 0)
        refuse(path, "others than its owner may read it (mode " + modeText(info.st_mode) +
                         "); make it readable by its owner alone: chmod 600 " + path);
    char buffer[512];
    ssize_t got = 0;
    while (file.text.find('\n') == std::string::npos && file.text.size() <= kLongestPassword &&
           (got = read(file.fd, buffer, sizeof buffer)) > 0)
        file.text.append(buffer, static_cast<size_t>(got));
    std::fill(std::begin(buffer), std::end(buffer), '\0');
    if (got < 0) refuse(path, std::strerror(errno));
    std::string password = file.text.substr(0, file.text.find('\n'));
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (password.empty()) refuse(path, "its first line, where the password goes, is empty");
    if (password.size() > kLongestPassword)
        refuse(path, "its first line is longer than the " + std::to_string(kLongestPassword) +
                         " characters a password may have");
    posix::signInToCups(user ? user->c_str() : nullptr, password.c_str());
    std::fill(password.begin(), password.end(), '\0');
}
