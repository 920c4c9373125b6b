// Copies of the program under test with its version block replaced, and
// small executables (fake dialog programs) written by the tests.
#pragma once

#include <string>
#include <vector>

namespace itest {

// A copy of the program in dir; without a version block when block is
// empty, else with these bytes as its block. Empty on failure.
std::string programWithVersionBlock(const std::string& dir, const std::vector<unsigned char>& block);

// Writes an executable shell script.
void writeScript(const std::string& path, const std::string& body);

// Splits text at NUL characters (the fake dialog programs record their
// arguments so).
std::vector<std::string> splitAtNul(const std::string& text);

}  // namespace itest
