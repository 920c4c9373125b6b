// How a base library name becomes a file name on this system.
#include "plat/DynamicFn.h"

namespace plat {

const char* const singleNamePatterns[] = {"lib%s.so", nullptr};
const char* const alternativePatterns[] = {nullptr};

}  // namespace plat
