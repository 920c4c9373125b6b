#include "print/PrintJob.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "plat/ChoiceParameter.h"
#include "plat/Exception.h"
#include "plat/TextBuffer.h"
#include "print/PageWay.h"
#include "print/PrinterLogin.h"
#include "print/PrintLogs.h"
#include "print/PaperUnits.h"

namespace {

// The resources print() acquires, released in reverse order whichever way it
// is left: on the normal path that is DeleteDC, FPDF_CloseDocument,
// FPDF_DestroyLibrary after the explicit EndDoc.
struct LibraryGuard {
    ~LibraryGuard() { FPDF_DestroyLibrary(); }
};

struct DocumentCloser {
    void operator()(FPDF_DOCUMENT document) const { FPDF_CloseDocument(document); }
};
using DocumentHolder = std::unique_ptr<std::remove_pointer_t<FPDF_DOCUMENT>, DocumentCloser>;

struct PageCloser {
    void operator()(FPDF_PAGE page) const { FPDF_ClosePage(page); }
};
using PageHolder = std::unique_ptr<std::remove_pointer_t<FPDF_PAGE>, PageCloser>;

// Deletes the job's device context. A document started and not ended is
// cancelled first, so a run that fails part-way leaves no partial job.
class DeviceContextGuard {
public:
    explicit DeviceContextGuard(HDC& dc) : dc_(dc) {}
    ~DeviceContextGuard() {
        if (documentOpen_) AbortDoc(dc_);
        DeleteDC(dc_);
        dc_ = nullptr;
    }
    DeviceContextGuard(const DeviceContextGuard&) = delete;
    DeviceContextGuard& operator=(const DeviceContextGuard&) = delete;

    void documentStarted() { documentOpen_ = true; }
    void documentEnded() { documentOpen_ = false; }

private:
    HDC& dc_;
    bool documentOpen_ = false;
};

double millimetres(double points) { return points * 25.4 / 72; }
double pixelsToMillimetres(int32_t pixels, int32_t dpi) { return dpi > 0 ? pixels * 25.4 / dpi : 0; }

}  // namespace

PrintJob::PrintJob(const char* name) : printerName(plat::dupString(name)) {}

DEVMODEW* PrintJob::defaultSettingsOf(const PRINTER_INFO_2W& info, const char* name) {
    if (info.pDevMode == nullptr)
        throw plat::ExceptionFmt("Printer %s has no default settings", name ? name : "");
    return info.pDevMode;
}

void PrintJob::print(const char* pdfFileName, const char* title, bool scale) {
    plat::WideChars wideTitle;   // freed last, after the library
    scaling = options.scalingFor(scale);

    FPDF_InitLibrary(GetModuleHandleW(nullptr));
    const LibraryGuard library;

    const DocumentHolder document(FPDF_LoadDocument(pdfFileName, nullptr));
    if (!document)
        throw plat::ExceptionFmt("Unable to load PDF document: %i",
                                 static_cast<int>(FPDF_GetLastError()));
    // Refused before any job exists, as CUPS's own filters refuse it.
    if ((FPDF_GetDocPermissions(document.get()) & kPermissionToPrint) == 0)
        throw plat::Exception("the document does not allow printing");

    // Who signs in is settled before any server is asked anything.
    if (options.user || options.passwordFile) usePrinterLogin(options.user, options.passwordFile);
    openPrinter(document.get());
    createDeviceContext();
    DeviceContextGuard context(deviceContext);

    if (planOnly) {
        writePlan(document.get());
        return;
    }

    wideTitle = plat::WideChars(title);
    // 20: the record's size in its original 32-bit layout.
    const DOCINFOW docInfo{20, wideTitle.get(), nullptr, nullptr, 0};
    // A spooler that cannot take the job must fail the run, not print nowhere.
    const int started = StartDocW(deviceContext, &docInfo);
    if (started <= 0) throw plat::SystemException("StartDoc", GetLastError());
    jobId = static_cast<DWORD>(started);
    context.documentStarted();

    // The count is asked again after every page.
    for (int index = 0; index < FPDF_GetPageCount(document.get()); ++index) {
        if (!options.pages.selects(index)) continue;
        PageHolder page(FPDF_LoadPage(document.get(), index));
        if (!page) {
            pdfPrintLog.error("Unable to load PDF page %d", index);
            ++skippedPages;
            continue;
        }
        pdfPrintLog.info("Printing Page %d", index);
        // Once the spooler has failed, the pages left are not drawn for
        // nothing: the document ends, and says why.
        if (!printPage(page.get())) break;
        ++printedPages;
    }

    // Every selected page skipped: the document is cancelled (by the guard),
    // so that no empty job comes out; a spooler that failed still says so.
    if (printedPages == 0 && skippedPages > 0 && pageFailure == nullptr) return;

    // A document the spooler could not complete (a full disk, a scheduler
    // that went away) is cancelled there; the run must say so, not succeed.
    const int ended = EndDoc(deviceContext);
    const DWORD endError = GetLastError();
    context.documentEnded();
    // A sheet the spooler would not begin (a paper the job cannot take)
    // ends the document: the refusal is the reason, not the ending.
    const bool sheetRefused = pageFailure != nullptr && std::strcmp(pageFailure, "StartPage") == 0;
    if (ended <= 0 && sheetRefused) throw plat::SystemException(pageFailure, pageError);
    if (ended <= 0) throw plat::SystemException("EndDoc", endError);
    if (pageFailure != nullptr) throw plat::SystemException(pageFailure, pageError);

    // Handed over is not yet printed: a caller that waits learns which.
    if (options.waitSeconds > 0) {
        const JobOutcome outcome = followJob(printerHandle.handle, jobId, options.waitSeconds);
        jobEnd = outcome.end;
        if (outcome.end == JobEnd::NotPrinted) {
            plat::TextBuffer message;
            message.appendFormat("Job %lu ended at the printer without printing: %s",
                                 static_cast<unsigned long>(jobId), outcome.why.c_str());
            throw JobNotPrinted(message.data ? message.data : "");
        }
    }
}

void PrintJob::openPrinter(FPDF_DOCUMENT document) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    printerHandle.open(printerName.get(), &defaults);
    paperSizes.load(printerHandle.name());

    PRINTER_INFO_2W* info = printerHandle.getPrinterInfo2();
    if (info == nullptr) throw plat::Exception("GetPrinter failed");
    printerInfo = info;
    printerSettings = defaultSettingsOf(*info, printerName.get());

    // Settings the run asks for and the printer cannot honour end it here,
    // before any job exists.
    if (!options.pages.all() && options.pages.count(FPDF_GetPageCount(document)) == 0) {
        plat::TextBuffer message;
        message.appendFormat("Pages=%s selects no page: the document has %d", options.pagesText.c_str(),
                             FPDF_GetPageCount(document));
        throw plat::BadParameterValue(message.data ? message.data : "");
    }
    options.applyTo(*printerSettings, printerHandle.name());
    settlePaperRule();
    // Collation is nothing to one page: its copies may be made together.
    if (options.copies && options.pages.count(FPDF_GetPageCount(document)) == 1)
        printerSettings->dmCollate = DMCOLLATE_FALSE;

    // Every sheet is portrait; a page that fits only turned is turned by the
    // renderer instead.
    printerSettings->dmOrientation = DMORIENT_PORTRAIT;
    paperHeight = tenthsToPoints(printerSettings->dmPaperLength);
    paperWidth = tenthsToPoints(printerSettings->dmPaperWidth);
}

void PrintJob::createDeviceContext() {
    deviceContext = CreateDCW(WIDE(""), printerHandle.name(), nullptr, printerSettings);
    if (deviceContext == nullptr) throw plat::SystemException("CreateDC", GetLastError());
    // Settings that name no paper leave the sheet to the device context;
    // the job then works with the paper the context gives its sheets.
    if (paperWidth <= 0 || paperHeight <= 0) {
        const int32_t dpiX = GetDeviceCaps(deviceContext, LOGPIXELSX);
        const int32_t dpiY = GetDeviceCaps(deviceContext, LOGPIXELSY);
        if (dpiX > 0 && dpiY > 0) {
            paperWidth = GetDeviceCaps(deviceContext, PHYSICALWIDTH) * 72.0 / dpiX;
            paperHeight = GetDeviceCaps(deviceContext, PHYSICALHEIGHT) * 72.0 / dpiY;
        }
    }
}

bool PrintJob::printPage(FPDF_PAGE page) {
    const double pageHeight = FPDF_GetPageHeight(page);
    const double pageWidth = FPDF_GetPageWidth(page);
    choosePaper(pageWidth, pageHeight);

    if (StartPage(deviceContext) <= 0) {
        pageFailure = "StartPage";
        pageError = GetLastError();
        return false;
    }
    SheetMetrics sheet;
    sheet.offsetY = GetDeviceCaps(deviceContext, PHYSICALOFFSETY);
    sheet.offsetX = GetDeviceCaps(deviceContext, PHYSICALOFFSETX);
    if (scaling == Scaling::Stretch) {
        sheet.printableWidth = GetDeviceCaps(deviceContext, HORZRES);
        sheet.printableHeight = GetDeviceCaps(deviceContext, VERTRES);
    } else {
        horizontalResolution = GetDeviceCaps(deviceContext, LOGPIXELSX);
        verticalResolution = GetDeviceCaps(deviceContext, LOGPIXELSY);
        pdfPrintLog.info("DPI (%d, %d)", verticalResolution, horizontalResolution);
        sheet.dpiX = horizontalResolution;
        sheet.dpiY = verticalResolution;
        if (scaling == Scaling::Fit) {
            sheet.printableWidth = GetDeviceCaps(deviceContext, HORZRES);
            sheet.printableHeight = GetDeviceCaps(deviceContext, VERTRES);
        }
    }
    const PageLayout layout = layOutPage(pageWidth, pageHeight, paperWidth, paperHeight,
                                              rotation, paperFound, scaling, sheet);
    pdfPrintLog.info("Offset (%d, %d)", layout.loggedX, layout.loggedY);
    pdfPrintLog.info("Size (%d, %d)", layout.sizeX, layout.sizeY);

    // With the annotations, as a viewer prints them: a filled form prints its values.
    FPDF_RenderPage(deviceContext, page, layout.startX, layout.startY, layout.sizeX,
                    layout.sizeY, rotation, FPDF_ANNOT | FPDF_PRINTING);
    if (EndPage(deviceContext) <= 0) {
        pageFailure = "EndPage";
        pageError = GetLastError();
        return false;
    }
    return true;
}


// The plan of a dry run, tab-separated lines that scripts can read:
//   printer <name>
//   paper <name> <width> <height> <left> <top> <right> <bottom>   (mm; margins)
//   tray <name>
//   page <number from 1> <width> <height> <paper or none> <upright|turned>
//        <scale across %> <scale down %> <placed|drawn>
//   page <number> skipped                               (cannot be loaded)
void PrintJob::writePlan(FPDF_DOCUMENT document) {
    FILE* out = planOnly;
    const plat::NarrowChars printer(printerHandle.name());
    std::fprintf(out, "printer\t%s\n", printer.get() ? printer.get() : "");

    // Each paper with the margins the device context gives it.
    DEVMODEW probe = *printerSettings;
    for (int32_t index = 0; index < paperSizes.count(); ++index) {
        paperSizes.applyTo(probe, index);
        ResetDCW(deviceContext, &probe);
        const int32_t dpiX = GetDeviceCaps(deviceContext, LOGPIXELSX);
        const int32_t dpiY = GetDeviceCaps(deviceContext, LOGPIXELSY);
        const int32_t left = GetDeviceCaps(deviceContext, PHYSICALOFFSETX);
        const int32_t top = GetDeviceCaps(deviceContext, PHYSICALOFFSETY);
        const int32_t right = GetDeviceCaps(deviceContext, PHYSICALWIDTH) - left -
                              GetDeviceCaps(deviceContext, HORZRES);
        const int32_t bottom = GetDeviceCaps(deviceContext, PHYSICALHEIGHT) - top -
                               GetDeviceCaps(deviceContext, VERTRES);
        const plat::NarrowChars name = paperNameText(paperSizes.name(index));
        const POINT* size = paperSizes.size(index);
        std::fprintf(out, "paper\t%s\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\n", name.get() ? name.get() : "",
                     size->x / 10.0, size->y / 10.0, pixelsToMillimetres(left, dpiX),
                     pixelsToMillimetres(top, dpiY), pixelsToMillimetres(right, dpiX),
                     pixelsToMillimetres(bottom, dpiY));
    }
    ResetDCW(deviceContext, printerSettings);
    for (const PrinterBin& bin : printerBins(printerHandle.name(), printerSettings))
        std::fprintf(out, "tray\t%s\n", bin.name.c_str());

    for (int index = 0; index < FPDF_GetPageCount(document); ++index) {
        if (!options.pages.selects(index)) continue;
        PageHolder page(FPDF_LoadPage(document, index));
        if (!page) {
            std::fprintf(out, "page\t%d\tskipped\n", index + 1);
            ++skippedPages;
            continue;
        }
        const double pageHeight = FPDF_GetPageHeight(page.get());
        const double pageWidth = FPDF_GetPageWidth(page.get());
        choosePaper(pageWidth, pageHeight);
        SheetMetrics sheet;
        sheet.dpiX = GetDeviceCaps(deviceContext, LOGPIXELSX);
        sheet.dpiY = GetDeviceCaps(deviceContext, LOGPIXELSY);
        sheet.offsetX = GetDeviceCaps(deviceContext, PHYSICALOFFSETX);
        sheet.offsetY = GetDeviceCaps(deviceContext, PHYSICALOFFSETY);
        sheet.printableWidth = GetDeviceCaps(deviceContext, HORZRES);
        sheet.printableHeight = GetDeviceCaps(deviceContext, VERTRES);
        const PageLayout layout = layOutPage(pageWidth, pageHeight, paperWidth, paperHeight,
                                                  rotation, paperFound, scaling, sheet);
        const bool hasPaper = (paperFound || paperTaken) && paperIndex >= 0;
        const plat::NarrowChars paper = hasPaper ? paperNameText(paperSizes.name(paperIndex)) : plat::NarrowChars();
        const char* shown = paper.get() ? paper.get() : paperFound ? "custom" : "none";
        std::fprintf(out, "page\t%d\t%.1f\t%.1f\t%s\t%s\t%.1f\t%.1f\t%s\n", index + 1,
                     millimetres(pageWidth), millimetres(pageHeight), shown,
                     rotation != 0 ? "turned" : "upright",
                     layout.scaleX * 100, layout.scaleY * 100, pageWay(page.get()));
        ++printedPages;
    }
    std::fflush(out);
}

