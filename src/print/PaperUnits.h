// The units the print job meets: points (1/72 inch) for pages, tenths of a
// millimetre for the printer's papers, and the paper names of its table.
#pragma once

#include <cstdint>
#include <string>

#include "plat/Strings.h"
#include "print/PageLayout.h"
#include "print/Units.h"

// Points to tenths of a millimetre, truncated, and back.
inline int32_t pointsToTenths(double points) { return truncateToInt(points * kTenthsPerInch / kPointsPerInch); }
inline double tenthsToPoints(int32_t tenths) { return static_cast<double>(tenths) * kPointsPerInch / kTenthsPerInch; }

// Printer and page sizes match when they differ by at most one tenth of a
// millimetre, which absorbs the truncation of the page size.
inline bool withinOneTenth(int32_t printerValue, int32_t pageValue) {
    const int64_t difference = int64_t{printerValue} - int64_t{pageValue};
    return difference > -2 && difference < 2;
}

// A paper name for the log, in UTF-8.
inline plat::NarrowChars paperNameText(const std::u16string& name) {
    static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 units");
    return plat::NarrowChars(reinterpret_cast<const WCHAR*>(name.c_str()), CP_UTF8,
                             static_cast<int>(name.size()));
}
