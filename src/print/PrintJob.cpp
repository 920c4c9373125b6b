#include "print/PrintJob.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "plat/Exception.h"
#include "print/FpdfView.h"
#include "print/PrintLogs.h"

namespace {

// Double to int, truncated toward zero. A PDF may state absurd sizes: values
// beyond the int range are held at its ends and NaN gives 0, where a plain
// cast would be undefined.
int32_t truncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t negate(int32_t value) { return value == INT32_MIN ? INT32_MAX : -value; }

// Points are 1/72 inch; the printer counts in tenths of a millimetre.
int32_t pointsToTenths(double points) { return truncateToInt(points * 254 / 72); }
double tenthsToPoints(LONG tenths) { return static_cast<double>(tenths) * 72 / 254; }

// Printer and page sizes match when they differ by at most one tenth of a
// millimetre, which absorbs the truncation of the page size.
bool withinOneTenth(LONG printerValue, int32_t pageValue) {
    const int64_t difference = int64_t{printerValue} - int64_t{pageValue};
    return difference > -2 && difference < 2;
}

// A paper name for the log: the 64-unit field need not be terminated.
plat::NarrowChars paperNameText(const WCHAR* name) {
    int length = 0;
    while (length < kPaperNameLength && name[length] != 0) ++length;
    return plat::NarrowChars(name, CP_UTF8, length);
}

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

}  // namespace

PrintJob::PrintJob(const char* name) : printerName(plat::dupString(name)) {}

DEVMODEW* PrintJob::defaultSettingsOf(const PRINTER_INFO_2W& info, const char* name) {
    if (info.pDevMode == nullptr)
        throw plat::ExceptionFmt("Printer %s has no default settings", name ? name : "");
    return info.pDevMode;
}

void PrintJob::print(const char* pdfFileName, const char* title, bool scale) {
    plat::WideChars wideTitle;   // freed last, after the library

    FPDF_InitLibrary(GetModuleHandleW(nullptr));
    const LibraryGuard library;

    const DocumentHolder document(FPDF_LoadDocument(pdfFileName, nullptr));
    if (!document)
        throw plat::ExceptionFmt("Unable to load PDF document: %i",
                                 static_cast<int>(FPDF_GetLastError()));

    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    printerHandle.open(printerName.get(), &defaults);
    paperSizes.load(printerHandle.name());

    PRINTER_INFO_2W* info = printerHandle.getPrinterInfo2();
    if (info == nullptr) throw plat::Exception("GetPrinter failed");
    printerInfo = info;
    printerSettings = defaultSettingsOf(*info, printerName.get());

    // Every sheet is portrait; a page that fits only turned is turned by the
    // renderer instead.
    printerSettings->dmOrientation = DMORIENT_PORTRAIT;
    paperHeight = tenthsToPoints(printerSettings->dmPaperLength);
    paperWidth = tenthsToPoints(printerSettings->dmPaperWidth);

    deviceContext = CreateDCW(WIDE(""), printerHandle.name(), nullptr, printerSettings);
    if (deviceContext == nullptr) throw plat::SystemException("CreateDC", GetLastError());
    DeviceContextGuard context(deviceContext);

    wideTitle = plat::WideChars(title);
    // 20: the record's size in its original 32-bit layout.
    const DOCINFOW docInfo{20, wideTitle.get(), nullptr, nullptr, 0};
    // A spooler that cannot take the job must fail the run, not print nowhere.
    if (StartDocW(deviceContext, &docInfo) <= 0) throw plat::SystemException("StartDoc", GetLastError());
    context.documentStarted();

    // The count is asked again after every page.
    for (int index = 0; index < FPDF_GetPageCount(document.get()); ++index) {
        PageHolder page(FPDF_LoadPage(document.get(), index));
        if (!page) {
            pdfPrintLog.error("Unable to load PDF page %d", index);
            continue;
        }
        pdfPrintLog.info("Printing Page %d", index);

        const double pageHeight = FPDF_GetPageHeight(page.get());
        const double pageWidth = FPDF_GetPageWidth(page.get());
        choosePaper(pageWidth, pageHeight);

        StartPage(deviceContext);
        const int32_t offsetY = GetDeviceCaps(deviceContext, PHYSICALOFFSETY);
        const int32_t offsetX = GetDeviceCaps(deviceContext, PHYSICALOFFSETX);

        int32_t startX = 0;
        int32_t startY = 0;
        int32_t sizeX = 0;
        int32_t sizeY = 0;
        if (scale) {
            // Stretched over the printable area; the aspect ratio is not kept.
            sizeX = GetDeviceCaps(deviceContext, HORZRES);
            sizeY = GetDeviceCaps(deviceContext, VERTRES);
        } else {
            // The whole paper in device pixels, its corner on the sheet's
            // physical corner; the unprintable margin cuts off what lies there.
            horizontalResolution = GetDeviceCaps(deviceContext, LOGPIXELSX);
            verticalResolution = GetDeviceCaps(deviceContext, LOGPIXELSY);
            pdfPrintLog.info("DPI (%d, %d)", verticalResolution, horizontalResolution);
            sizeX = truncateToInt(paperWidth / 72 * horizontalResolution);
            sizeY = truncateToInt(paperHeight / 72 * verticalResolution);
            startX = negate(offsetX);
            startY = negate(offsetY);
        }
        pdfPrintLog.info("Offset (%d, %d)", startX, startY);
        pdfPrintLog.info("Size (%d, %d)", sizeX, sizeY);

        // A turned page is rendered with the start values exchanged; the
        // sizes stay as they are.
        if (rotation != 0) std::swap(startX, startY);
        FPDF_RenderPage(deviceContext, page.get(), startX, startY, sizeX, sizeY, rotation, 0);

        EndPage(deviceContext);
        page.reset();
    }

    // A document the spooler could not complete (a full disk, a scheduler
    // that went away) is cancelled there; the run must say so, not succeed.
    const int ended = EndDoc(deviceContext);
    const DWORD endError = GetLastError();
    context.documentEnded();
    if (ended <= 0) throw plat::SystemException("EndDoc", endError);
}

void PrintJob::choosePaper(double pageWidth, double pageHeight) {
    pdfPrintLog.info("Setting PaperSize printer (%f,%f)pts", paperWidth, paperHeight);
    pdfPrintLog.info("PaperSize page            (%f,%f)pts", pageWidth, pageHeight);

    const int32_t width = pointsToTenths(pageWidth);
    const int32_t height = pointsToTenths(pageHeight);

    // The first paper that fits either way wins, even when a later one fits
    // upright.
    for (int32_t index = 0; index < paperSizes.count(); ++index) {
        const POINT* paper = paperSizes.size(index);
        if (withinOneTenth(paper->x, width) && withinOneTenth(paper->y, height)) {
            const plat::NarrowChars name = paperNameText(paperSizes.name(index));
            pdfPrintLog.info("Found paper Size %s - no rotation", name.get());
            rotation = 0;
        } else if (withinOneTenth(paper->x, height) && withinOneTenth(paper->y, width)) {
            const plat::NarrowChars name = paperNameText(paperSizes.name(index));
            pdfPrintLog.info("Found paper Size %s - needs rotation", name.get());
            rotation = 3;
        } else {
            continue;
        }
        switchToPaper(index);
        return;
    }

    // The paper stays; only the turn is decided, from the shapes.
    pdfPrintLog.info("Unable to find new paper Size!");
    rotation = rotationByRatio(width, height);
}

void PrintJob::switchToPaper(int32_t index) {
    // Done for every page that finds a paper, also the same one again.
    if (printerSettings != nullptr) {
        paperSizes.applyTo(*printerSettings, index);
        ResetDCW(deviceContext, printerSettings);
    }
    const POINT* paper = paperSizes.size(index);
    paperWidth = tenthsToPoints(paper->x);
    paperHeight = tenthsToPoints(paper->y);
}

int32_t PrintJob::rotationByRatio(int32_t pageWidthTenths, int32_t pageHeightTenths) const {
    // A page without height has no shape to compare; it is drawn as it
    // comes, upright.
    if (pageHeightTenths == 0) return 0;
    // A paper without height has no ratio either: nothing compares, turn.
    if (paperHeight == 0.0) return 3;

    // Width to height, scaled by 10 000, both worked out the same way: a
    // page ratio cut to whole percent (7000 for A4) would never equal the
    // paper's (7070) and would turn and stretch a page of the paper's shape.
    const double paperRatio = std::trunc(paperWidth * 100 / paperHeight * 100);
    const double pageRatio =
        std::trunc(static_cast<double>(pageWidthTenths) * 100 / pageHeightTenths * 100);
    const bool sameShape = pageRatio - 10 < paperRatio && paperRatio < pageRatio + 10;
    return sameShape ? 0 : 3;
}
