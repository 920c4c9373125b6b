// One look at a job the printer has taken: whether its queue still holds
// it, what state it is in and the text the printer gives.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// The states a look may show, any number at once (the values are those
// of the Windows spooler's JOB_STATUS_ bits).
enum JobStatusBit : uint32_t {
    // Where the job is on its way.
    kJobPaused = 0x1, kJobSpooling = 0x8, kJobPrinting = 0x10, kJobRestarting = 0x800,
    // What stops it.
    kJobError = 0x2, kJobOffline = 0x20, kJobPaperOut = 0x40, kJobBlocked = 0x200, kJobNeedsAttention = 0x400,
    // How it ended.
    kJobDeleting = 0x4, kJobDeleted = 0x100, kJobPrinted = 0x80, kJobComplete = 0x1000,
};

struct JobLook {
    bool held = true;
    uint32_t status = 0;   // JobStatusBit values
    std::string text;      // empty when the printer gives none

    // A job the printer no longer holds, as the last look left it.
    static JobLook gone(const JobLook& last) { return JobLook{false, last.status, last.text}; }
    // The last look again when the printer cannot be asked, with why.
    static JobLook unanswered(const JobLook& last, std::string why) { return JobLook{last.held, last.status, std::move(why)}; }

    bool operator==(const JobLook& other) const {
        return held == other.held && status == other.status && text == other.text;
    }
    bool operator!=(const JobLook& other) const { return !(*this == other); }
};
