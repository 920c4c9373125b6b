// RunOptions built step by step: Launch().pipe("\n").set("A", "b"). A
// launch has no display unless a test sets one: a failed run on a desktop
// waits for its notice to be closed.
#pragma once

#include <string>

#include "integration/support/ProcessRunner.h"

namespace itest {

struct Launch : RunOptions {
    Launch() { unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"}; }

    Launch& pipe(std::string text) {
        stdinMode = Stdin::Pipe;
        input = std::move(text);
        return *this;
    }
    Launch& heldPipe() {
        stdinMode = Stdin::HeldPipe;
        return *this;
    }
    Launch& devNull() {
        stdinMode = Stdin::DevNull;
        return *this;
    }
    Launch& set(const std::string& name, std::string value) {
        env[name] = std::move(value);
        return *this;
    }
    Launch& unset(std::string name) {
        unsetEnv.push_back(std::move(name));
        return *this;
    }
    Launch& in(std::string directory) {
        workingDirectory = std::move(directory);
        return *this;
    }
    Launch& timeout(int seconds) {
        timeoutSeconds = seconds;
        return *this;
    }
};

}  // namespace itest
