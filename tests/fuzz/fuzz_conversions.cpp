// The UTF-8 to UTF-16 conversion of arbitrary bytes and back, and of the
// same bytes read as UTF-16 units.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plat/Exception.h"
#include "plat/Strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string narrowInput(reinterpret_cast<const char*>(data), size);
    std::vector<WCHAR> wideInput(size / 2 + 1, 0);
    memcpy(wideInput.data(), data, size / 2 * 2);
    try {
        plat::WideChars wide(narrowInput.c_str());
        plat::NarrowChars back(wide.get());
        plat::NarrowChars fromWide(wideInput.data());
        plat::WideChars again(fromWide.get());
    } catch (const plat::Exception&) {
        __builtin_trap();   // flags 0 replace bad input; they never fail
    }
    return 0;
}
