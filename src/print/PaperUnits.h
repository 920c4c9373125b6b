// The units the print job meets: points (1/72 inch) for pages, tenths of a
// millimetre for the printer's papers, and the paper names of its table.
#pragma once

#include <cstdint>

#include "os/PaperSizes.h"
#include "plat/Strings.h"
#include "plat/WinApi.h"
#include "print/PageLayout.h"

// Points to tenths of a millimetre, truncated, and back.
inline int32_t pointsToTenths(double points) { return truncateToInt(points * 254 / 72); }
inline double tenthsToPoints(LONG tenths) { return static_cast<double>(tenths) * 72 / 254; }

// Printer and page sizes match when they differ by at most one tenth of a
// millimetre, which absorbs the truncation of the page size.
inline bool withinOneTenth(LONG printerValue, int32_t pageValue) {
    const int64_t difference = int64_t{printerValue} - int64_t{pageValue};
    return difference > -2 && difference < 2;
}

// A paper name for the log: the 64-unit field need not be terminated.
inline plat::NarrowChars paperNameText(const WCHAR* name) {
    int length = 0;
    while (length < kPaperNameLength && name[length] != 0) ++length;
    return plat::NarrowChars(name, CP_UTF8, length);
}
