// What the file target's tests share on every system: a clock that stands
// at one known second until a test moves it on, and a file read back whole.
#pragma once

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

inline constexpr time_t kSunday8Dec2024 = 1733648703;   // 09:05:03 UTC

// The time testClock tells, for plat::Logger_File::clock.
inline time_t testNow = kSunday8Dec2024;
inline time_t testClock(time_t* out) {
    if (out != nullptr) *out = testNow;
    return testNow;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace testsupport
