// What drawing one page may take in the helper: wall time and processor
// time (DrawingTime, seconds) and memory (DrawingMemory, MiB). Real
// documents stay far below the defaults; a hostile one that does not is
// stopped there, and costs the page it was drawing.
#pragma once

#include <cstdint>

namespace posix::confined {

constexpr int kDefaultDrawingSeconds = 60;
constexpr int kDefaultDrawingMegabytes = 768;

struct DrawingBudget {
    int seconds = kDefaultDrawingSeconds;       // wall time and processor time, each
    int megabytes = kDefaultDrawingMegabytes;   // the helper's resident memory
    uint64_t bytes() const { return uint64_t(megabytes) << 20; }
};

// The budget the parameters set; throws plat::BadParameterValue, naming the
// parameter, the value and what is accepted, for a value that is not.
DrawingBudget drawingBudget();

}  // namespace posix::confined
