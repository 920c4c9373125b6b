// The job settings the command line fills, and the writer of the driver.
#pragma once

#include "plat/LogWriter.h"
#include "plat/Strings.h"

extern plat::NarrowChars pdfFileName;
extern plat::NarrowChars printerName;
extern plat::NarrowChars documentTitle;
extern bool scaleFlag;

extern plat::LogWriter mainLog;
