// One look at a job the printer has taken: whether its queue still holds
// it, what state it is in and the text the printer gives.
#pragma once

#include <cstdint>
#include <string>

// The states a look may show, any number at once.
enum JobStatusBit : uint32_t {
    kJobPaused = 1u << 0,
    kJobError = 1u << 1,
    kJobDeleting = 1u << 2,
    kJobSpooling = 1u << 3,
    kJobPrinting = 1u << 4,
    kJobOffline = 1u << 5,
    kJobPaperOut = 1u << 6,
    kJobPrinted = 1u << 7,
    kJobDeleted = 1u << 8,
    kJobBlocked = 1u << 9,
    kJobNeedsAttention = 1u << 10,
    kJobRestarting = 1u << 11,
    kJobComplete = 1u << 12,
};

struct JobLook {
    bool held = true;
    uint32_t status = 0;   // JobStatusBit values
    std::string text;      // empty when the printer gives none

    bool operator==(const JobLook& other) const {
        return held == other.held && status == other.status && text == other.text;
    }
    bool operator!=(const JobLook& other) const { return !(*this == other); }
};
