// Owns a critical section for its lifetime; Guard holds it for a scope.
#pragma once

#include "plat/WinApi.h"

namespace plat {

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() { EnterCriticalSection(&section_); }
    void leave() { LeaveCriticalSection(&section_); }

    class Guard {
    public:
        explicit Guard(CriticalSection& section) : section_(section) { section_.enter(); }
        ~Guard() { section_.leave(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CriticalSection& section_;
    };

private:
    CRITICAL_SECTION section_;
};

}  // namespace plat
