// Variable references in a parameter value, with a small table of names.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "plat/Exception.h"
#include "plat/ExpandParameter.h"
#include "plat/Strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::map<std::string, std::string> variables = {
        {"A", "1"}, {"B", ""}, {"HOME", "/home/fuzz"}, {"A B", "ab"}};
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        plat::HeapArray<char> expanded(plat::expandVariables(text.c_str(), variables));
    } catch (const plat::Exception&) {
        // an undefined variable
    }
    return 0;
}
