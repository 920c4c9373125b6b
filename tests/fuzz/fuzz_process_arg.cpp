// One command-line argument handed to the parameter set, as the command line
// does for everything it does not know itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "plat/Configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static plat::ParameterSet set("Fuzz");
    static plat::StringParameter log("Log", "", "", true, &set);
    static plat::StringParameter logFile("LogFile", "", "", false, &set);
    std::string argument(reinterpret_cast<const char*>(data), size);
    set.processArg(argument.c_str(), 0);
    return 0;
}
