#include "print/JobFollower.h"

#include <chrono>
#include <string>
#include <thread>

#include "print/PrintLogs.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often the printer is asked: often enough that a caller learns of the
// end soon after it happens, rarely enough to cost it nothing.
constexpr auto kLookInterval = std::chrono::milliseconds(500);

bool has(const JobLook& look, uint32_t bits) { return (look.status & bits) != 0; }

}  // namespace

JobStage stageOf(const JobLook& look, const JobLook& before) {
    if (!look.held) return has(before, kJobError) ? JobStage::Aborted : JobStage::Printed;
    if (has(look, kJobDeleted | kJobDeleting))
        return has(look, kJobError) ? JobStage::Aborted : JobStage::Cancelled;
    if (has(look, kJobPrinted | kJobComplete)) return JobStage::Printed;
    return JobStage::OnItsWay;
}

std::vector<std::string> lookStates(const JobLook& look) {
    std::vector<std::string> words;
    const auto add = [&words](const char* word) { words.emplace_back(word); };
    if (!look.held) {
        add("no longer in the queue");
    } else if (has(look, kJobDeleted | kJobDeleting)) {
        add(has(look, kJobError) ? "aborted" : "cancelled");
    } else if (has(look, kJobPrinted | kJobComplete)) {
        add("printed");
    } else {
        if (has(look, kJobPrinting)) add("printing");
        if (has(look, kJobSpooling)) add("spooling");
        if (has(look, kJobPaused)) add("held");
        if (has(look, kJobError)) add("error");
        if (has(look, kJobOffline)) add("printer offline");
        if (has(look, kJobPaperOut)) add("paper out");
        if (has(look, kJobBlocked)) add("blocked");
        if (has(look, kJobNeedsAttention)) add("needs attention");
        if (has(look, kJobRestarting)) add("restarting");
        if (words.empty()) add("queued");
    }
    return words;
}

std::string describeLook(const JobLook& look) {
    std::string words;
    for (const std::string& word : lookStates(look)) words += (words.empty() ? "" : ", ") + word;
    return look.text.empty() ? words : words + ": " + look.text;
}

JobOutcome followJob(Printer& printer, uint32_t jobId, int seconds) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    const unsigned long id = jobId;
    JobLook before;
    bool first = true;
    for (;;) {
        const JobLook look = printer.lookAtJob(jobId, before);
        if (first || look != before) printerLog.info("Job %lu %s", id, describeLook(look).c_str());
        switch (stageOf(look, before)) {
            case JobStage::Printed:
                // A job that left the queue has printed: the line above did not say so.
                if (!look.held) printerLog.info("Job %lu printed", id);
                return {JobEnd::Printed, look};
            case JobStage::Aborted:
            case JobStage::Cancelled: {
                // A job that left after an error says so with what it last showed.
                const JobLook& last = look.held ? look : before;
                printerLog.error("Job %lu ended without printing: %s", id, describeLook(last).c_str());
                return {JobEnd::NotPrinted, last};
            }
            case JobStage::OnItsWay:
                break;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            printerLog.error("Job %lu has not printed after %d s and stays queued: %s", id, seconds,
                             describeLook(look).c_str());
            return {JobEnd::StillQueued, look};
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(kLookInterval, deadline - now));
        before = look;
        first = false;
    }
}
