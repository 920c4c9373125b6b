// The operating-system version record, filled once at start-up.
#pragma once

#include "plat/WinApi.h"

namespace plat {

struct OsVersion {
    OSVERSIONINFOW info;
    bool isWinNT;
    bool isWin9x;
    bool isNT4BeforeSP3;

    OsVersion();
    // Derives the three flags from info; the constructor calls it.
    void deriveFlags();
};

extern OsVersion osVersion;

}  // namespace plat
