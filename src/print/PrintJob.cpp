#include "print/PrintJob.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "plat/ChoiceParameter.h"
#include "plat/Exception.h"
#include "plat/TextBuffer.h"
#include "print/PaperUnits.h"
#include "print/PrintBackend.h"
#include "print/PrintLogs.h"
#include "print/PrinterLogin.h"
#include "print/Units.h"

namespace {

// Ends the job's document before the PDF document and the library it
// draws from: declared after them, it goes first whichever way print() is
// left. A document begun and not finished is cancelled as it goes.
class DocumentRelease {
public:
    explicit DocumentRelease(std::unique_ptr<PrintDocument>& document) : document_(document) {}
    ~DocumentRelease() { document_.reset(); }
    DocumentRelease(const DocumentRelease&) = delete;
    DocumentRelease& operator=(const DocumentRelease&) = delete;

private:
    std::unique_ptr<PrintDocument>& document_;
};


double millimetres(double points) { return points * kMillimetresPerInch / kPointsPerInch; }
double pixelsToMillimetres(int32_t pixels, int32_t dpi) { return dpi > 0 ? pixels * kMillimetresPerInch / dpi : 0; }

}  // namespace

PrintJob::PrintJob(const char* name) : printerName_(plat::dupString(name)) {}

void PrintJob::print(const char* pdfFileName, const char* title, bool scale) {
    scaling = options.scalingFor(scale);

    const std::unique_ptr<PdfLibrary> library = printBackend().startPdfLibrary();
    unsigned long loadError = 0;
    const std::unique_ptr<PdfDocument> pdf = documentInMemory ? library->openInMemory(documentInMemory, loadError)
                                                              : library->open(pdfFileName, loadError);
    if (!pdf) throw plat::ExceptionFmt("Unable to load PDF document: %i", static_cast<int>(loadError));
    // Refused before any job exists, as CUPS's own filters refuse it.
    if ((pdf->permissions() & kPermissionToPrint) == 0)
        throw plat::Exception("the document does not allow printing");

    // Who signs in is settled before any server is asked anything.
    if (options.user || options.passwordFile) usePrinterLogin(options.user, options.passwordFile);
    openPrinter(*pdf);
    createDocument(*pdf);
    const DocumentRelease release(document);

    if (planOnly) {
        writePlan(*pdf);
        return;
    }

    // A printer that cannot take the job must fail the run, not print nowhere.
    const StepOutcome started = document->begin(title, results.jobId);
    if (!started.ok()) started.raise();
    results.jobMade = true;
    printPages(*pdf);

    // Every selected page skipped: the document is cancelled (by the
    // release), so that no empty job comes out; a printer that failed still
    // says so.
    if (results.printedPages == 0 && results.skippedPages > 0 && !pageFailure_) return;
    finishJob();
}

void PrintJob::openPrinter(PdfDocument& pdf) {
    printer = printBackend().openPrinter(printerName_.get());
    paperSizes.load(*printer);
    printer->loadSettings();

    // Settings the run asks for and the printer cannot honour end it here,
    // before any job exists.
    if (!options.pages.all() && options.pages.count(pdf.pageCount()) == 0) {
        plat::TextBuffer message;
        message.appendFormat("Pages=%s selects no page: the document has %d", options.pagesText.c_str(),
                             pdf.pageCount());
        throw plat::BadParameterValue(message.data ? message.data : "");
    }
    options.applyTo(*printer);
    settlePaperRule();
    // Collation is nothing to one page: its copies may be made together.
    if (options.copies && options.pages.count(pdf.pageCount()) == 1) {
        JobControls uncollated;
        uncollated.collate = false;
        printer->applyControls(uncollated);
    }

    // Every sheet is portrait; a page that fits only turned is turned on it.
    printer->makePortrait();
    const PaperExtent paper = printer->settingsPaper();
    paperHeight = tenthsToPoints(paper.length);
    paperWidth = tenthsToPoints(paper.width);
}

void PrintJob::createDocument(PdfDocument& pdf) {
    StepOutcome made;
    document = printer->createDocument(pdf, made);
    if (!document) made.raise();
    // Settings that name no paper leave the sheet to the document; the job
    // then works with the paper the document gives its sheets.
    if (paperWidth <= 0 || paperHeight <= 0) {
        const int32_t dpiX = document->measure(SheetMetric::DotsPerInchAcross);
        const int32_t dpiY = document->measure(SheetMetric::DotsPerInchDown);
        if (dpiX > 0 && dpiY > 0) {
            paperWidth = document->measure(SheetMetric::PaperWidth) * kPointsPerInch / dpiX;
            paperHeight = document->measure(SheetMetric::PaperHeight) * kPointsPerInch / dpiY;
        }
    }
}

void PrintJob::printPages(PdfDocument& pdf) {
    const int pages = pdf.pageCount();
    std::vector<int> selected;
    for (int index = 0; index < pages; ++index)
        if (options.pages.selects(index)) selected.push_back(index);
    pdf.willLoad(selected);
    // The count is asked again after every page.
    for (int index = 0, count = pages; index < count; ++index, count = pdf.pageCount()) {
        if (!options.pages.selects(index)) continue;
        const std::unique_ptr<PdfPage> page = loadRecordedPage(pdf, index);
        if (!page) {
            pdfPrintLog.error("Unable to load PDF page %d", index);
            continue;
        }
        pdfPrintLog.info("Printing Page %d", index);
        const PageEnd end = printPage(*page, results.pages.back());
        // Once the printer has failed, the pages left are not drawn for
        // nothing: the document ends, and says why.
        if (end == PageEnd::Failed) break;
        ++(end == PageEnd::Printed ? results.printedPages : results.skippedPages);
    }
}

std::unique_ptr<PdfPage> PrintJob::loadRecordedPage(PdfDocument& pdf, int index) {
    PageRecord& record = results.pages.emplace_back();
    record.number = index + 1;
    std::unique_ptr<PdfPage> page = pdf.loadPage(index);
    if (!page) {
        record.reason = "Unable to load PDF page " + std::to_string(index);
        ++results.skippedPages;
    }
    return page;
}

PrintJob::PageEnd PrintJob::printPage(PdfPage& page, PageRecord& record) {
    const double pageHeight = page.height();
    const double pageWidth = page.width();
    choosePaper(pageWidth, pageHeight);

    if (const StepOutcome begun = document->beginSheet(); !begun.ok()) {
        pageFailure_ = begun.failure();
        record.reason = pageFailure_->message;
        return PageEnd::Failed;
    }
    SheetMetrics sheet;
    sheet.offsetY = document->measure(SheetMetric::MarginTop);
    sheet.offsetX = document->measure(SheetMetric::MarginLeft);
    if (scaling == Scaling::Stretch) {
        sheet.printableWidth = document->measure(SheetMetric::PrintableWidth);
        sheet.printableHeight = document->measure(SheetMetric::PrintableHeight);
    } else {
        horizontalResolution = document->measure(SheetMetric::DotsPerInchAcross);
        verticalResolution = document->measure(SheetMetric::DotsPerInchDown);
        pdfPrintLog.info("DPI (%d, %d)", verticalResolution, horizontalResolution);
        sheet.dpiX = horizontalResolution;
        sheet.dpiY = verticalResolution;
        if (scaling == Scaling::Fit) {
            sheet.printableWidth = document->measure(SheetMetric::PrintableWidth);
            sheet.printableHeight = document->measure(SheetMetric::PrintableHeight);
        }
    }
    const PageLayout layout =
        layOutPage(pageWidth, pageHeight, paperWidth, paperHeight, rotation, paperFound, scaling, sheet);
    pdfPrintLog.info("Offset (%d, %d)", layout.loggedX, layout.loggedY);
    pdfPrintLog.info("Size (%d, %d)", layout.sizeX, layout.sizeY);

    // A page that cannot be put on its sheet takes the sheet with it:
    // skipped with its reason, never a blank sheet counted printed.
    const PagePlacement placement{layout.startX, layout.startY, layout.sizeX, layout.sizeY, rotation != 0};
    record.paper = paperOfPage();
    record.turned = rotation != 0;
    record.scaleAcross = layout.scaleX * 100;
    record.scaleDown = layout.scaleY * 100;
    if (const StepOutcome put = document->putPage(page, placement); !put.ok()) {
        pdfPrintLog.error("%s", put.failure().message.c_str());
        record.reason = put.failure().message;
        return PageEnd::Skipped;
    }
    if (const StepOutcome ended = document->endSheet(); !ended.ok()) {
        pageFailure_ = ended.failure();
        record.reason = pageFailure_->message;
        return PageEnd::Failed;
    }
    record.way = page.way();
    if (std::string(record.way) == "drawn") record.reason = page.drawnBecause();
    return PageEnd::Printed;
}

void PrintJob::finishJob() {
    // A document the printer could not complete (a full disk, a scheduler
    // that went away) is cancelled there; the run must say so, not succeed.
    const StepOutcome ended = document->finish();
    // A sheet the printer would not begin (a paper the job cannot take)
    // ends the document: the refusal is the reason, not the ending.
    const bool sheetRefused = pageFailure_ && pageFailure_->step == PrintStep::BeginSheet;
    if (!ended.ok() && sheetRefused) throw plat::Exception(pageFailure_->message.c_str());
    if (!ended.ok()) ended.raise();
    if (pageFailure_) throw plat::Exception(pageFailure_->message.c_str());
    results.jobFinished = true;

    // Handed over is not yet printed: a caller that waits learns which.
    if (options.waitSeconds > 0) {
        const JobOutcome outcome = followJob(*printer, results.jobId, options.waitSeconds);
        results.jobEnd = outcome.end;
        results.lastLook = outcome.last;
        if (outcome.end == JobEnd::NotPrinted) {
            plat::TextBuffer message;
            message.appendFormat("Job %lu ended at the printer without printing: %s",
                                 static_cast<unsigned long>(results.jobId), describeLook(outcome.last).c_str());
            throw JobNotPrinted(message.data ? message.data : "");
        }
    }
}

// The plan of a dry run, tab-separated lines that scripts can read:
//   printer <name>
//   paper <name> <width> <height> <left> <top> <right> <bottom>   (mm; margins)
//   tray <name>
//   page <number from 1> <width> <height> <paper or none> <upright|turned>
//        <scale across %> <scale down %> <placed|drawn>
//   page <number> skipped                               (cannot be loaded)
void PrintJob::writePlan(PdfDocument& pdf) {
    FILE* out = planOnly;
    std::fprintf(out, "printer\t%s\n", printer->name().c_str());
    writePaperLines(out);
    for (const PrinterTray& tray : printer->trays()) std::fprintf(out, "tray\t%s\n", tray.name.c_str());

    for (int index = 0; index < pdf.pageCount(); ++index) {
        if (!options.pages.selects(index)) continue;
        const std::unique_ptr<PdfPage> page = loadRecordedPage(pdf, index);
        if (!page) {
            std::fprintf(out, "page\t%d\tskipped\n", index + 1);
            continue;
        }
        PageRecord& record = results.pages.back();
        const double pageHeight = page->height();
        const double pageWidth = page->width();
        choosePaper(pageWidth, pageHeight);
        SheetMetrics sheet;
        sheet.dpiX = document->measure(SheetMetric::DotsPerInchAcross);
        sheet.dpiY = document->measure(SheetMetric::DotsPerInchDown);
        sheet.offsetX = document->measure(SheetMetric::MarginLeft);
        sheet.offsetY = document->measure(SheetMetric::MarginTop);
        sheet.printableWidth = document->measure(SheetMetric::PrintableWidth);
        sheet.printableHeight = document->measure(SheetMetric::PrintableHeight);
        const PageLayout layout =
            layOutPage(pageWidth, pageHeight, paperWidth, paperHeight, rotation, paperFound, scaling, sheet);
        record.paper = paperOfPage();
        record.turned = rotation != 0;
        record.scaleAcross = layout.scaleX * 100;
        record.scaleDown = layout.scaleY * 100;
        record.way = page->way();
        std::fprintf(out, "page\t%d\t%.1f\t%.1f\t%s\t%s\t%.1f\t%.1f\t%s\n", index + 1, millimetres(pageWidth),
                     millimetres(pageHeight), record.paper.empty() ? "none" : record.paper.c_str(),
                     record.turned ? "turned" : "upright", record.scaleAcross, record.scaleDown, record.way);
        ++results.printedPages;
    }
    std::fflush(out);
}

std::string PrintJob::paperOfPage() const {
    const bool hasPaper = (paperFound || paperTaken_) && paperIndex_ >= 0;
    const plat::NarrowChars paper = hasPaper ? paperNameText(paperSizes.name(paperIndex_)) : plat::NarrowChars();
    return paper.get() ? paper.get() : paperFound ? "custom" : "";
}

// Each paper with the margins the document gives it; the job's own paper
// again afterwards.
void PrintJob::writePaperLines(FILE* out) {
    for (int32_t index = 0; index < paperSizes.count(); ++index) {
        document->probePaper(paperSizes.paper(index));
        const int32_t dpiX = document->measure(SheetMetric::DotsPerInchAcross);
        const int32_t dpiY = document->measure(SheetMetric::DotsPerInchDown);
        const int32_t left = document->measure(SheetMetric::MarginLeft);
        const int32_t top = document->measure(SheetMetric::MarginTop);
        const int32_t right =
            document->measure(SheetMetric::PaperWidth) - left - document->measure(SheetMetric::PrintableWidth);
        const int32_t bottom =
            document->measure(SheetMetric::PaperHeight) - top - document->measure(SheetMetric::PrintableHeight);
        const plat::NarrowChars name = paperNameText(paperSizes.name(index));
        const PaperExtent* size = paperSizes.size(index);
        std::fprintf(out, "paper\t%s\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\n", name.get() ? name.get() : "",
                     size->width / 10.0, size->length / 10.0, pixelsToMillimetres(left, dpiX),
                     pixelsToMillimetres(top, dpiY), pixelsToMillimetres(right, dpiX),
                     pixelsToMillimetres(bottom, dpiY));
    }
    document->takeSettings();
}
