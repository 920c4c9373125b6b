#include "posix/spooler/Plugins.h"

#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "posix/winapi/LastError.h"
#include "posix/winapi/ProgramPath.h"

namespace posix {

namespace {

std::string programFolder() {
    const std::string path = executablePath();
    if (path.empty()) return {};
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

void* pluginEntry(const char* plugin, const char* entry) {
    const std::string file = std::string(plugin) + ".so";
    std::vector<std::string> candidates;
    const std::string folder = programFolder();
    if (!folder.empty()) candidates.push_back(folder + "/" + file);
#ifdef QUORLEX_PLUGIN_DIR
    candidates.push_back(std::string(QUORLEX_PLUGIN_DIR) + "/" + file);
#endif
    std::string reason;
    for (const std::string& path : candidates) {
        if (access(path.c_str(), F_OK) != 0) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            reason = why ? why : path + " cannot be loaded";
            continue;
        }
        if (void* symbol = dlsym(handle, entry)) return symbol;
        reason = path + " lacks " + entry;
    }
    if (reason.empty()) {
        reason = "it is not installed (looked in " +
                 (candidates.empty() ? std::string("no folder") : candidates.front());
        if (candidates.size() > 1) reason += " and " + candidates.back();
        reason += ")";
    }
    setLastErrorText(ENOENT, "Unable to load the plugin " + file + ": " + reason);
    return nullptr;
}

}  // namespace posix
