// A private X server (Xvfb) on a free display number, listening on its Unix
// socket only, stopped (by its process id) when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

namespace itest {

class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& name() const { return name_; }   // ":97"

private:
    pid_t pid_ = -1;
    std::string name_;
};

// The full path of a program on PATH, or empty.
std::string findProgram(const std::string& name);

}  // namespace itest
