// How a base library name becomes a file name on this system.
#include "plat/DynamicFn.h"

namespace plat {

const char* const singleNamePatterns[] = {"lib%s.so", nullptr};
const char* const alternativePatterns[] = {nullptr};
// Windows' own libraries: a bare "libadvapi32.so" would be searched for
// along LD_LIBRARY_PATH, where an empty entry means the current folder.
const char* const absentLibraries[] = {"advapi32", "kernel32", "user32", "gdi32",
                                       "winspool", "ntdll",    nullptr};

}  // namespace plat
