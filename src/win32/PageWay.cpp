// The PDF engine on Windows draws every page through GDI.
#include "win32/printing/FpdfView.h"

#include "plat/ChoiceParameter.h"

namespace {

// Both ways of Render come to the same here, as every page is drawn; the
// parameter is known so that one command line serves both systems.
plat::ChoiceParameter renderParameter(
    "Render", "How pages reach the printer; on Windows the engine draws every page either way.",
    {"auto", "always"});

}  // namespace

const char* pageWay(FPDF_PAGE) { return "drawn"; }
