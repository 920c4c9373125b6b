// Which engine a run prints with: one a test installed, else the one the
// Render parameter names. A drawing plugin that cannot be loaded leaves an
// engine that opens no document and says why.
#include "posix/confined/DrawingBudget.h"
#include "posix/confined/DrawingEngine.h"
#include "posix/drawing/DrawingPlugin.h"
#include "posix/pdf/PdfEngine.h"
#include "posix/pdf/PlacingEngine.h"
#include "posix/pdf/RenderMode.h"
#include "posix/winapi/LastError.h"
#include "print/PrintLogs.h"

namespace posix {

namespace {

PdfEngine* installedEngine = nullptr;

class MissingEngine : public EngineWithoutDocuments {
public:
    DocumentHandle loadDocument(const char*, const char*, unsigned long& error) override {
        pdfPrintLog.error("Render=always: %s", lastErrorMessage().c_str());
        error = kPdfUnknownError;
        return nullptr;
    }
};

PdfEngine& engineOfRenderMode() {
    // A budget no value of which is accepted fails the run before anything prints.
    confined::drawingBudget();
    if (renderMode() == RenderMode::Always) {
        if (drawing::drawingPlugin()) return confined::drawingEngine();
        static MissingEngine missing;
        return missing;
    }
    return pdf::placingEngine();
}

}  // namespace

void setPdfEngine(PdfEngine* engine) { installedEngine = engine; }

PdfEngine& engineForRun() { return installedEngine ? *installedEngine : engineOfRenderMode(); }

}  // namespace posix
