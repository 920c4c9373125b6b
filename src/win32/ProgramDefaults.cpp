// Defaults of the program that differ between systems, opening the log
// file with its backup, and the files written whole for the caller.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "plat/WinApi.h"

#include <sddl.h>

namespace {

// Moves an existing log file to "<name>.bak", replacing the old backup. Only
// a regular file is moved: a name that turns out to be a directory or a
// device is written to (or fails to open) but never renamed. Without a log
// file the backup is left alone, so a failed open never costs the previous
// generation.
void backUpLogFile(const wchar_t* fileName) {
    std::error_code ignored;
    // The name itself, not what a link there points to.
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(fileName, ignored))) return;
    const std::wstring backupName = std::wstring(fileName) + L".bak";
    _wremove(backupName.c_str());
    _wrename(fileName, backupName.c_str());
}

}  // namespace

const char* defaultLogFileName() {
    return "C:\\temp\\quorlex.log";
}

FILE* openLogFile(const char* name) {
    // The name is UTF-8, as every text of the program: the narrow fopen
    // would read it in the ANSI code page.
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    plat::WideChars wide;
    try {
        wide = plat::WideChars(name);
    } catch (const plat::Exception&) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return nullptr;
    }
    backUpLogFile(wide.chars);
    // A failed open leaves the reason in the last error, from the system
    // call underneath.
    return _wfopen(wide.chars, L"w+");
}

DWORD replaceOwnFile(const char* name, const char* bytes, size_t size) {
    if (name == nullptr || *name == '\0') return ERROR_INVALID_NAME;
    plat::WideChars target;
    try {
        target = plat::WideChars(name);
    } catch (const plat::Exception&) {
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    const std::wstring partial = std::wstring(target.chars) + L".partial";
    // Full control for the file's owner alone, nothing inherited.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &descriptor,
                                                             nullptr))
        security.lpSecurityDescriptor = descriptor;
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, &security, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (descriptor) LocalFree(descriptor);
    if (error != 0) return error;
    for (size_t written = 0; written < size && error == 0;) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - written, 1u << 30));
        DWORD now = 0;
        if (!WriteFile(file, bytes + written, chunk, &now, nullptr)) error = GetLastError();
        written += now;
    }
    if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    if (error == 0 && !MoveFileExW(partial.c_str(), target.chars, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != 0) DeleteFileW(partial.c_str());
    return error;
}
