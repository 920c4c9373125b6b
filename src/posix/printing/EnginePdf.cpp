#include "posix/printing/EnginePdf.h"

#include <utility>

#include "posix/pdf/InputDocument.h"

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

std::unique_ptr<PdfDocument> EngineLibrary::openInMemory(std::shared_ptr<const std::string> bytes,
                                                         unsigned long& error) {
    holdInputDocument(std::move(bytes));
    return open(kInputDocumentName, error);
}

}  // namespace posix::printing
