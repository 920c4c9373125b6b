// The outcome of a run as one JSON document, for the programs that start
// this one (Report=PATH or Report=-): written on every way a run ends, a
// bad command line included.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "print/PrintJob.h"

// The report's layout; raised only when a key changes meaning or goes.
constexpr int kReportVersion = 1;

struct RunReport {
    int result = 1;             // what ExitCode=result gives, whatever ExitCode says
    // As the command line gave them; null in the report when not given.
    const char* document = nullptr;
    const char* printer = nullptr;
    const char* title = nullptr;
    // What the print job did, and whether Wait followed its job.
    PrintResults results;
    bool followed = false;
    // Every level-0 line of the run, with its writer.
    std::vector<std::pair<std::string, std::string>> messages;
};

// The word for a result: "printed", "failed", "bad-request",
// "printed-with-skips", "not-printed", "still-queued".
const char* meaningOf(int result);

// The report as one line of JSON, without its newline.
std::string reportJson(const RunReport& report);

// Collects the level-0 lines of every writer into messages for its
// lifetime.
class ErrorLineCollector {
public:
    explicit ErrorLineCollector(std::vector<std::pair<std::string, std::string>>& into);
    ~ErrorLineCollector();
    ErrorLineCollector(const ErrorLineCollector&) = delete;
    ErrorLineCollector& operator=(const ErrorLineCollector&) = delete;

private:
    static void collect(void* context, const char* writerName, const char* text);
};

// Writes the report where the parameter says: "-" as one line of its own
// on standard output, any other value as the file of that name (readable
// by its user alone, written whole under a temporary name and renamed);
// nothing when unset. A report that cannot be written is logged at level 0.
void deliverReport(const char* where, const std::string& json);
