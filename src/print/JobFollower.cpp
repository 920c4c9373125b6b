#include "print/JobFollower.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "plat/Exception.h"
#include "plat/Strings.h"
#include "print/PrintLogs.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often the spooler is asked: often enough that a caller learns of the
// end soon after it happens, rarely enough to cost the spooler nothing.
constexpr auto kLookInterval = std::chrono::milliseconds(500);

bool has(const JobLook& look, DWORD bits) { return (look.status & bits) != 0; }

// Reads the job's record. A job the spooler no longer holds is a look of
// its own; a spooler that cannot be asked keeps the last look, with why.
// Windows fails the call for a job it no longer holds with
// ERROR_INVALID_PARAMETER; Wine says nothing at all.
JobLook lookAt(HANDLE printer, DWORD jobId, const JobLook& last) {
    const auto unanswered = [&last](DWORD error) {
        if (error == ERROR_INVALID_PARAMETER || error == ERROR_SUCCESS)
            return JobLook{false, last.status, last.text};
        JobLook unknown = last;
        unknown.text = plat::SystemException("the spooler cannot be asked: GetJob", error).message;
        return unknown;
    };
    // The first call asks how much room the record needs; the job may
    // change between calls and need more: ask again with that room, a few
    // times.
    DWORD needed = 0;
    std::vector<BYTE> record;
    for (int attempt = 0;; ++attempt) {
        record.resize(needed);
        SetLastError(ERROR_SUCCESS);
        if (GetJobW(printer, jobId, 1, record.empty() ? nullptr : record.data(), needed, &needed)) break;
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= record.size() || attempt == 4) return unanswered(error);
    }
    const auto* info = reinterpret_cast<const JOB_INFO_1W*>(record.data());
    JobLook look;
    look.status = info->Status;
    if (info->pStatus != nullptr && info->pStatus[0] != 0) {
        const plat::NarrowChars text(info->pStatus);
        look.text = text.get() ? text.get() : "";
    }
    return look;
}

}  // namespace

JobStage stageOf(const JobLook& look, const JobLook& before) {
    if (!look.held) return has(before, JOB_STATUS_ERROR) ? JobStage::Aborted : JobStage::Printed;
    if (has(look, JOB_STATUS_DELETED | JOB_STATUS_DELETING))
        return has(look, JOB_STATUS_ERROR) ? JobStage::Aborted : JobStage::Cancelled;
    if (has(look, JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)) return JobStage::Printed;
    return JobStage::OnItsWay;
}

std::string describeLook(const JobLook& look) {
    std::string words;
    const auto add = [&words](const char* word) { words += (words.empty() ? "" : ", ") + std::string(word); };
    if (!look.held) {
        add("no longer in the queue");
    } else if (has(look, JOB_STATUS_DELETED | JOB_STATUS_DELETING)) {
        add(has(look, JOB_STATUS_ERROR) ? "aborted" : "cancelled");
    } else if (has(look, JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)) {
        add("printed");
    } else {
        if (has(look, JOB_STATUS_PRINTING)) add("printing");
        if (has(look, JOB_STATUS_SPOOLING)) add("spooling");
        if (has(look, JOB_STATUS_PAUSED)) add("held");
        if (has(look, JOB_STATUS_ERROR)) add("error");
        if (has(look, JOB_STATUS_OFFLINE)) add("printer offline");
        if (has(look, JOB_STATUS_PAPEROUT)) add("paper out");
        if (has(look, JOB_STATUS_BLOCKED_DEVQ)) add("blocked");
        if (has(look, JOB_STATUS_USER_INTERVENTION)) add("needs attention");
        if (has(look, JOB_STATUS_RESTART)) add("restarting");
        if (words.empty()) add("queued");
    }
    return look.text.empty() ? words : words + ": " + look.text;
}

JobOutcome followJob(HANDLE printer, DWORD jobId, int seconds) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    const unsigned long id = jobId;
    JobLook before;
    bool first = true;
    for (;;) {
        const JobLook look = lookAt(printer, jobId, before);
        if (first || look != before) printerLog.info("Job %lu %s", id, describeLook(look).c_str());
        switch (stageOf(look, before)) {
            case JobStage::Printed:
                // A job that left the queue has printed: the line above did not say so.
                if (!look.held) printerLog.info("Job %lu printed", id);
                return {JobEnd::Printed, ""};
            case JobStage::Aborted:
            case JobStage::Cancelled: {
                // A job that left after an error says so with what it last showed.
                const std::string why = describeLook(look.held ? look : before);
                printerLog.error("Job %lu ended without printing: %s", id, why.c_str());
                return {JobEnd::NotPrinted, why};
            }
            case JobStage::OnItsWay:
                break;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            const std::string why = describeLook(look);
            printerLog.error("Job %lu has not printed after %d s and stays queued: %s", id, seconds,
                             why.c_str());
            return {JobEnd::StillQueued, why};
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(kLookInterval, deadline - now));
        before = look;
        first = false;
    }
}
