// The POSIX backend's PDF engine for unit tests of the print job: scripted
// documents (common/ScriptedPdf.h) whose calls go into the same event log
// as the recording printer's, under the engine's own names ("initLibrary",
// "loadDocument <file>", "renderPage <i> start=(x,y) size=(w,h) rotate=<r>",
// ...).
#pragma once

#include <string>

#include "common/ScriptedPdf.h"
#include "posix/pdf/PdfEngine.h"
#include "unit/support/RecordingPrinter.h"

namespace testsupport {

using posix::DocumentHandle;
using posix::PageHandle;

// Installs itself as the engine runs print with, for its lifetime.
class ScriptedPdfEngine : public posix::PdfEngine, public ScriptedPdf {
public:
    explicit ScriptedPdfEngine(EventLog& log);
    ~ScriptedPdfEngine() override;

    // This page index cannot be put on its sheet: its rendering says why.
    int unplaceablePage = -1;

    void initLibrary() override { startLibrary(); }
    void destroyLibrary() override { endLibrary(); }
    DocumentHandle loadDocument(const char* fileName, const char* password, unsigned long& error) override {
        return static_cast<DocumentHandle>(openDocument(fileName, password, error));
    }
    int pageCount(DocumentHandle document) override { return countPages(document); }
    unsigned long permissions(DocumentHandle document) override { return permissionsOf(document); }
    PageHandle loadPage(DocumentHandle document, int index) override {
        return static_cast<PageHandle>(openPage(document, index));
    }
    double pageWidth(PageHandle page) override { return widthOf(page); }
    double pageHeight(PageHandle page) override { return heightOf(page); }
    std::string renderPage(posix::DeviceContext& context, PageHandle page, int startX, int startY, int sizeX,
                           int sizeY, int rotate) override;
    void closePage(PageHandle page) override { shutPage(page); }
    void closeDocument(DocumentHandle document) override { shutDocument(document); }
};

}  // namespace testsupport
