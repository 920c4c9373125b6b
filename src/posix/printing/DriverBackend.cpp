// The backend of POSIX: printers are printer drivers, documents their
// device contexts, PDF the engine the Render parameter names.
#include <memory>

#include "posix/printing/DriverPrinter.h"
#include "posix/printing/EnginePdf.h"
#include "print/PrintBackend.h"

namespace {

class DriverBackend : public PrintBackend {
public:
    std::unique_ptr<PdfLibrary> startPdfLibrary() override {
        return std::make_unique<posix::printing::EngineLibrary>();
    }
    std::unique_ptr<Printer> openPrinter(const char* name) override {
        return std::make_unique<posix::printing::DriverPrinter>(name);
    }
};

}  // namespace

PrintBackend& platformBackend() {
    static DriverBackend drivers;
    return drivers;
}
