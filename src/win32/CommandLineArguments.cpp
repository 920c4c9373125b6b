#include "win32/CommandLineArguments.h"

#include <memory>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/WinApi.h"

#include <shellapi.h>

namespace win32 {

namespace {

struct LocalFreer {
    void operator()(LPWSTR* block) const { LocalFree(block); }
};

}  // namespace

Utf8Arguments::Utf8Arguments(const wchar_t* commandLine) {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreer> split(CommandLineToArgvW(commandLine, &count));
    if (split && count >= 0) {
        try {
            for (int i = 0; i < count; ++i) texts_.emplace_back(plat::NarrowChars(split.get()[i]).get());
            valid_ = true;
        } catch (const plat::Exception&) {
            texts_.clear();
        }
    }
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
}

}  // namespace win32
