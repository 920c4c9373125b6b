// The PDF engine on Windows draws every page through GDI.
#include "print/PageWay.h"

const char* pageWay(FPDF_PAGE) { return "drawn"; }
