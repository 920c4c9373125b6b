// The program's side of the CUPS plugin: CUPS destinations open through it,
// IPP statuses are told in its words, and it learns who signs in.
#include "posix/drivers/cups/CupsPlugin.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "posix/winapi/LastError.h"
#include "posix/spooler/Plugins.h"
#include "posix/drivers/cups/CupsPrinter.h"

namespace posix {

namespace {

const CupsPlugin* installed = nullptr;

// What the plugin is to sign in with, kept until it is loaded.
struct Login {
    std::optional<std::string> user;
    std::optional<std::string> password;
    ~Login() {
        if (password) std::fill(password->begin(), password->end(), '\0');
    }
} login;

void passLogin() {
    if (installed && installed->signIn && (login.user || login.password))
        installed->signIn(login.user ? login.user->c_str() : nullptr,
                          login.password ? login.password->c_str() : nullptr);
}

}  // namespace

void useCupsPlugin(const CupsPlugin* plugin) {
    installed = plugin;
    setIppStatusText(plugin ? plugin->statusText : nullptr);
    passLogin();
}

void signInToCups(const char* user, const char* password) {
    login.user = user ? std::optional<std::string>(user) : std::nullopt;
    login.password = password ? std::optional<std::string>(password) : std::nullopt;
    passLogin();
}

const CupsPlugin* cupsPlugin() {
    if (installed) return installed;
    using Entry = const CupsPlugin* (*)();
    if (auto entry = reinterpret_cast<Entry>(pluginEntry("quorlex-cups", "quorlexCupsPlugin")))
        useCupsPlugin(entry());
    return installed;
}

std::unique_ptr<PrinterDriver> openCupsPrinterDriver(const std::string& name) {
    const CupsPlugin* plugin = cupsPlugin();
    if (!plugin) return nullptr;
    return std::unique_ptr<PrinterDriver>(plugin->openPrinter(name.c_str()));
}

}  // namespace posix
