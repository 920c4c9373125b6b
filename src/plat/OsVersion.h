// The operating-system version record, filled once at start-up.
#pragma once

#include "plat/StartupFailures.h"
#include "plat/WinApi.h"

namespace plat {

struct OsVersion {
    OSVERSIONINFOW info;
    bool isWinNT;
    bool isWin9x;
    bool isNT4BeforeSP3;

    OsVersion();
    // At start-up: a failure is kept for the run to report (StartupFailures.h).
    explicit OsVersion(AtStartup);
    // Derives the three flags from info; the constructor calls it.
    void deriveFlags();
};

extern OsVersion osVersion;

}  // namespace plat
