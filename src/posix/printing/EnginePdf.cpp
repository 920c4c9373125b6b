#include "posix/printing/EnginePdf.h"

namespace posix::printing {

EngineLibrary::EngineLibrary() : engine_(engineForRun()) { engine_.initLibrary(); }

EngineLibrary::~EngineLibrary() { engine_.destroyLibrary(); }

std::unique_ptr<PdfDocument> EngineLibrary::open(const char* fileName, unsigned long& error) {
    unsigned long engineError = kPdfLoaded;
    DocumentHandle document = engine_.loadDocument(fileName, nullptr, engineError);
    if (!document) {
        error = engineError ? engineError : kPdfUnknownError;
        return nullptr;
    }
    return std::make_unique<EngineDocument>(engine_, document);
}

}  // namespace posix::printing
