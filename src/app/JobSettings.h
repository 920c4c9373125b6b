// The job settings the command line fills, and the writer of the driver.
#pragma once

#include "plat/ChoiceParameter.h"
#include "plat/Configuration.h"
#include "plat/LogWriter.h"
#include "plat/Strings.h"

extern plat::NarrowChars pdfFileName;
extern plat::NarrowChars printerName;
extern plat::NarrowChars documentTitle;
extern bool scaleFlag;

extern plat::LogWriter mainLog;

// The signals for the caller (ExitCode, Notice) and the dry run (DryRun).
extern plat::ChoiceParameter exitCodeParameter;   // fixed, result
extern plat::ChoiceParameter noticeParameter;     // desktop, none
extern plat::ChoiceParameter dryRunParameter;     // no, yes
// Where the run's outcome goes as JSON ("-": standard output); unset, nowhere.
extern plat::StringParameter reportParameter;
