#include "integration/support/ProgramCopies.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "integration/support/Launch.h"

namespace itest {

std::string programWithVersionBlock(const std::string& dir, const std::vector<unsigned char>& block) {
    std::string copy = dir + "/quorlex";
    std::vector<std::string> args{"--remove-section", ".quorlex_version"};
    if (!block.empty()) {
        std::string blockFile = dir + "/block.bin";
        std::ofstream(blockFile, std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
        args.push_back("--add-section");
        args.push_back(".quorlex_version=" + blockFile);
    }
    args.push_back(QUORLEX_BIN);
    args.push_back(copy);
    RunResult r = run("/usr/bin/objcopy", args, Launch().devNull());
    return r.exitCode == 0 ? copy : std::string();
}

void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
}

std::vector<std::string> splitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find('\0', start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    return parts;
}

}  // namespace itest
