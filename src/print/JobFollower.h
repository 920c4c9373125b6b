// Following a job the printer has taken until it is on paper: it is looked
// at until the job ends at the printer or the time is up, and each change
// is logged through "Printer".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "print/JobLook.h"
#include "print/Printer.h"

// Where a look says the job stands. A job the spooler no longer holds has
// printed, unless it showed an error before it left.
enum class JobStage { OnItsWay, Printed, Aborted, Cancelled };
JobStage stageOf(const JobLook& look, const JobLook& before);

// What the look shows, for the log: "printing", "held, error: ...".
std::string describeLook(const JobLook& look);
// The states it shows, without the printer's text: "held", "error".
std::vector<std::string> lookStates(const JobLook& look);

enum class JobEnd { Printed, NotPrinted, StillQueued };

struct JobOutcome {
    JobEnd end = JobEnd::Printed;
    JobLook last;        // the look that settled it (describeLook: its state and reasons)
};

// Follows the job on the open printer until it ends or the seconds have
// passed; the job is never cancelled here. Logs each change of state at
// level 100 and an end that is not a print at level 0.
JobOutcome followJob(Printer& printer, uint32_t jobId, int seconds);
