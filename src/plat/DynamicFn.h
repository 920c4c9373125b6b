// Finds a function of a system library at run time; a missing library or
// function leaves the object empty instead of failing.
#pragma once

#include "plat/LogWriter.h"
#include "plat/StartupFailures.h"
#include "plat/WinApi.h"

namespace plat {

class DynamicFn {
public:
    void* function;    // null when not found
    HMODULE module;    // null when not found

    DynamicFn(const char* librarySpec, const char* procNames, bool literalNames);
    // At start-up: a failure is kept for the run to report (StartupFailures.h).
    DynamicFn(AtStartup, const char* librarySpec, const char* procNames, bool literalNames);
    ~DynamicFn();
    DynamicFn(const DynamicFn&) = delete;
    DynamicFn& operator=(const DynamicFn&) = delete;

    bool open(const char* libraryName, const char* procNames);

    template <typename Fn>
    Fn as() const { return reinterpret_cast<Fn>(function); }

private:
    void search(const char* librarySpec, const char* procNames, bool literalNames);
};

// The library name patterns: "%s.dll" on Windows, "lib%s.so" on POSIX.
extern const char* const singleNamePatterns[];
extern const char* const alternativePatterns[];
// Base names of libraries this system cannot have (Windows' own on POSIX):
// never looked up, so that nothing of that name planted along the search
// path is loaded; they end as any library that does not load.
extern const char* const absentLibraries[];

extern LogWriter dynamicFnLog;

extern DynamicFn regEnableReflectionKey;
extern DynamicFn regDisableReflectionKey;
extern DynamicFn regQueryReflectionKey;

}  // namespace plat
