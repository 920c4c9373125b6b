// The writers of the printing modules.
#pragma once

#include "plat/LogWriter.h"

extern plat::LogWriter pdfPrintLog;     // "PDFPrintFns": print job and paper matching
extern plat::LogWriter printerLog;      // "Printer": printer handle
extern plat::LogWriter paperSizesLog;   // "PaperSizes": the paper table (writes nothing)
