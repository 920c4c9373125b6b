// The backend of the Windows API: the spooler's printers, GDI documents and
// the engine's PDF.
#include <memory>

#include "print/PrintBackend.h"
#include "win32/printing/EngineDocument.h"
#include "win32/printing/SpoolerPrinter.h"

namespace {

class SpoolerBackend : public PrintBackend {
public:
    std::unique_ptr<PdfLibrary> startPdfLibrary() override { return std::make_unique<winprint::EngineLibrary>(); }
    std::unique_ptr<Printer> openPrinter(const char* name) override {
        return std::make_unique<winprint::SpoolerPrinter>(name);
    }
};

}  // namespace

PrintBackend& platformBackend() {
    static SpoolerBackend spooler;
    return spooler;
}
