// A Log value applied to the program's real writers and targets.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "plat/LogParameter.h"
#include "plat/LogTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        initStdioLoggers();
        plat::fileLogger.registerLogger();   // without a name: writes nothing
        initDebugLogger();
        plat::stdoutLogger.setStream(fopen("/dev/null", "w"));   // keep the output out of the way
        return true;
    }();
    (void)ready;
    std::string value(reinterpret_cast<const char*>(data), size);
    logParameter.setParam(value.c_str());
    return 0;
}
