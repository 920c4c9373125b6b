#include "posix/confined/DrawingBudget.h"

#include <string>

#include "plat/Configuration.h"
#include "plat/ChoiceParameter.h"
#include "plat/Strings.h"
#include "plat/TextBuffer.h"

namespace {

constexpr int kLongestDrawing = 24 * 60 * 60;   // seconds
constexpr int kLeastMemory = 64;                // MiB: poppler and cairo need that much to start
constexpr int kMostMemory = 1 << 20;            // MiB

plat::StringParameter drawingTimeParameter(
    "DrawingTime", "Seconds that drawing one page may take, in wall time and in processor time, each; "
                   "a page that takes longer is skipped. 60 by default.",
    "", false, nullptr);
plat::StringParameter drawingMemoryParameter(
    "DrawingMemory", "MiB of memory that drawing one page may take; a page that needs more is skipped. "
                     "768 by default.",
    "", false, nullptr);

// A whole number from low to high written with digits alone; -1 otherwise
// (also for an unset parameter, which keeps the default).
int wholeNumberOf(plat::StringParameter& parameter, int low, int high, const char* accepted) {
    if (parameter.priority >= 10) return -1;
    plat::HeapArray<char> text(parameter.getValueStr());
    const std::string value = text.get() ? text.get() : "";
    long long number = value.empty() || value.size() > 9 ? -1 : 0;
    for (char c : value) {
        if (c < '0' || c > '9') {
            number = -1;
            break;
        }
        number = number * 10 + (c - '0');
    }
    if (number < low || number > high) {
        plat::TextBuffer message;
        message.appendFormat("%s=%s is not accepted: %s", parameter.name, value.c_str(), accepted);
        throw plat::BadParameterValue(message.data ? message.data : "");
    }
    return static_cast<int>(number);
}

}  // namespace

namespace posix::confined {

DrawingBudget drawingBudget() {
    DrawingBudget budget;
    if (const int seconds = wholeNumberOf(drawingTimeParameter, 1, kLongestDrawing,
                                          "use whole seconds from 1 to 86400");
        seconds > 0)
        budget.seconds = seconds;
    if (const int megabytes = wholeNumberOf(drawingMemoryParameter, kLeastMemory, kMostMemory,
                                            "use whole MiB from 64 to 1048576");
        megabytes > 0)
        budget.megabytes = megabytes;
    return budget;
}

}  // namespace posix::confined
