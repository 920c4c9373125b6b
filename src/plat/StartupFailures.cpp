#include "plat/StartupFailures.h"

namespace plat {

namespace {

// Plain storage, valid before any constructor runs.
char firstFailure[kExceptionMessageSize];

}  // namespace

void noteStartupFailure(const char* message) noexcept {
    if (firstFailure[0] != '\0') return;
    boundedAppend(firstFailure, sizeof firstFailure, message ? message : "", -1);
    if (firstFailure[0] == '\0') boundedAppend(firstFailure, sizeof firstFailure, "a failure at start-up", -1);
}

const char* startupFailure() noexcept { return firstFailure[0] != '\0' ? firstFailure : nullptr; }

}  // namespace plat
