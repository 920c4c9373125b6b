// The units the program meets, in one place: points (1/72 inch) for pages
// and sheets, tenths of a millimetre for a printer's papers, hundredths of
// a millimetre for CUPS's and IPP's sizes, pixels at a resolution in dots
// per inch.
#pragma once

#include <cstdint>

constexpr double kPointsPerInch = 72;
constexpr double kMillimetresPerInch = 25.4;
constexpr int32_t kTenthsPerInch = 254;        // tenths of a millimetre
constexpr int32_t kHundredthsPerInch = 2540;   // hundredths of a millimetre
