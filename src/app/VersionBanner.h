// The version banner, read from the program's own version resource.
#pragma once

#include <cstdint>

#include "plat/Strings.h"
#include "plat/WinApi.h"

// The full path of the module (null: the program itself); null when unknown.
plat::NarrowChars moduleFileName(HMODULE module);

struct FileVersionInfo {
    plat::HeapArray<unsigned char> block;
    plat::NarrowChars lastValue;

    // Reads the version block of the file (null: the program itself).
    explicit FileVersionInfo(const char* fileName);
    // The UTF-8 value of a key in the string table languageCodePage;
    // valid until the next call. plat::Exception "VerQueryValue failed".
    const char* getString(const char* key, uint32_t languageCodePage);
};

void printVersionBanner();
