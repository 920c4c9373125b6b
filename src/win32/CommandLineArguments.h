// The program's arguments in UTF-8, as the core takes every text: read
// from the wide command line, since the runtime's own argument vector is in
// the ANSI code page, where a name in Cyrillic, CJK or an emoji becomes "?".
#pragma once

#include <string>
#include <vector>

namespace win32 {

class Utf8Arguments {
public:
    // commandLine as GetCommandLineW gives it, split by the system's rules
    // (CommandLineToArgvW).
    explicit Utf8Arguments(const wchar_t* commandLine);

    // False when the command line could not be split or an argument is not
    // valid UTF-16; the arguments are empty then.
    bool valid() const { return valid_; }
    int count() const { return static_cast<int>(texts_.size()); }
    // count() arguments and a null after them, as main's argv.
    char** vector() { return pointers_.data(); }

private:
    bool valid_ = false;
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

}  // namespace win32
