// How a base library name becomes a file name on Windows.
#include "plat/DynamicFn.h"

namespace plat {

const char* const singleNamePatterns[] = {"%s.dll", nullptr};
const char* const alternativePatterns[] = {nullptr};
const char* const absentLibraries[] = {nullptr};

}  // namespace plat
