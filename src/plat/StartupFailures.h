// Start-up objects (constructed before the entry function runs) that ask
// the system for something must not end the process when that fails: the
// failure is kept here, and the run reports it as any other failure.
#pragma once

#include <exception>

#include "plat/Exception.h"

namespace plat {

// Chooses the constructors of start-up objects that keep their failure.
struct AtStartup {};
inline constexpr AtStartup atStartup{};

// Keeps the message of the first failure; later ones are dropped.
void noteStartupFailure(const char* message) noexcept;
// The first failure kept, or null.
const char* startupFailure() noexcept;

// Runs a start-up object's work, keeping any failure instead of throwing it.
template <typename Work>
void duringStartup(Work work) noexcept {
    try {
        work();
    } catch (const Exception& failure) {
        noteStartupFailure(failure.message);
    } catch (const std::exception& failure) {
        noteStartupFailure(failure.what());
    } catch (...) {
        noteStartupFailure("an unknown failure at start-up");
    }
}

}  // namespace plat
