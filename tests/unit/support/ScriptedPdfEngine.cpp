#include "unit/support/ScriptedPdfEngine.h"

namespace testsupport {

namespace {

const EngineCallNames kPosixEngineCalls{"initLibrary", "destroyLibrary", "loadDocument", "pageCount",
                                        "loadPage",    "pageWidth",      "pageHeight",   "renderPage",
                                        "closePage",   "closeDocument"};

}  // namespace

ScriptedPdfEngine::ScriptedPdfEngine(EventLog& log) : ScriptedPdf(log, kPosixEngineCalls) {
    posix::setPdfEngine(this);
}

ScriptedPdfEngine::~ScriptedPdfEngine() { posix::setPdfEngine(nullptr); }

std::string ScriptedPdfEngine::renderPage(posix::DeviceContext&, PageHandle page, int startX, int startY,
                                          int sizeX, int sizeY, int rotate) {
    const int index = recordRender(page, {0, startX, startY, sizeX, sizeY, rotate});
    if (index >= 0 && index == unplaceablePage)
        return "Page " + std::to_string(index) + " could not be printed: scripted";
    return {};
}

}  // namespace testsupport
