// Environment variables, read wide and given in UTF-8.
#include <string>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/WinApi.h"

bool readEnvironmentVariable(const char* name, std::string& value) {
    try {
        const plat::WideChars wideName(name);
        std::wstring wide(256, L'\0');
        for (;;) {
            SetLastError(ERROR_SUCCESS);
            const DWORD length = GetEnvironmentVariableW(wideName.get(), wide.data(), static_cast<DWORD>(wide.size()));
            // 0 is also the length of a variable set to nothing.
            if (length == 0) {
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
                value.clear();
                return true;
            }
            if (length < wide.size()) {
                wide.resize(length);
                break;
            }
            wide.resize(length);   // the size it needs, its terminator included
        }
        value = plat::NarrowChars(wide.c_str()).get();
        return true;
    } catch (const plat::Exception&) {
        return false;
    }
}
