// The paper each page of the print job goes on: the printer's paper of the
// page's size, upright or turned, else the paper before it; or, when the
// Paper parameter asks, the paper its rule takes.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "plat/ChoiceParameter.h"
#include "plat/Exception.h"
#include "plat/TextBuffer.h"
#include "print/PaperUnits.h"
#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "print/Units.h"

namespace {

// Names listed in the message of a Paper the printer does not have: the
// message, with "Unable to print document: " before it, holds 255
// characters, less the name given.
constexpr size_t kListedNamesLength = 140;

// Half a tenth of a millimetre in points: what rounds a size to the tenth.
constexpr double kHalfTenth = 0.05 * kPointsPerInch / kMillimetresPerInch;

const char* turnText(int32_t rotation) { return rotation != 0 ? "needs rotation" : "no rotation"; }

}  // namespace

void PrintJob::choosePaper(double pageWidth, double pageHeight) {
    pdfPrintLog.info("Setting PaperSize printer (%f,%f)pts", paperWidth, paperHeight);
    pdfPrintLog.info("PaperSize page            (%f,%f)pts", pageWidth, pageHeight);

    const int32_t width = pointsToTenths(pageWidth);
    const int32_t height = pointsToTenths(pageHeight);
    paperTaken_ = false;
    if (options.paper == PaperRule::Named && takeNamedPaper(pageWidth, pageHeight, width, height)) return;

    // The first paper that fits either way wins, even when a later one fits
    // upright.
    for (int32_t index = 0; index < paperSizes.count(); ++index) {
        const PaperExtent* paper = paperSizes.size(index);
        if (withinOneTenth(paper->width, width) && withinOneTenth(paper->length, height)) {
            const plat::NarrowChars name = paperNameText(paperSizes.name(index));
            pdfPrintLog.info("Found paper Size %s - no rotation", name.get());
            rotation = 0;
        } else if (withinOneTenth(paper->width, height) && withinOneTenth(paper->length, width)) {
            const plat::NarrowChars name = paperNameText(paperSizes.name(index));
            pdfPrintLog.info("Found paper Size %s - needs rotation", name.get());
            rotation = 3;
        } else {
            continue;
        }
        switchToPaper(index);
        paperFound = true;
        return;
    }

    // The paper stays; only the turn is decided.
    pdfPrintLog.info("Unable to find new paper Size!");
    paperFound = false;
    if (options.paper && choosePaperByRule(pageWidth, pageHeight, width, height)) return;
    rotation = rotationForUnmatched(pageWidth, pageHeight, width, height);
}

int32_t PrintJob::rotationForUnmatched(double pageWidth, double pageHeight, int32_t width,
                                       int32_t height) const {
    // A page stretched over the paper turns by its shape, as it always has;
    // any other page turns only when it lies the other way from the paper,
    // so that it keeps its shape.
    if (scaling == Scaling::Stretch) return rotationByRatio(width, height);
    return width == 0 || height == 0 ? 0 : rotationByOrientation(pageWidth, pageHeight, paperWidth, paperHeight);
}

bool PrintJob::takeNamedPaper(double pageWidth, double pageHeight, int32_t width, int32_t height) {
    if (namedPaper_ < 0) return false;
    const PaperExtent* paper = paperSizes.size(namedPaper_);
    const bool upright = withinOneTenth(paper->width, width) && withinOneTenth(paper->length, height);
    const bool turned = !upright && withinOneTenth(paper->width, height) && withinOneTenth(paper->length, width);
    const plat::NarrowChars name = paperNameText(paperSizes.name(namedPaper_));
    switchToPaper(namedPaper_);
    if (upright || turned) {
        // The page's own paper, as the table would have found it.
        rotation = upright ? 0 : 3;
        pdfPrintLog.info("Found paper Size %s - %s", name.get(), turnText(rotation));
        paperFound = true;
        return true;
    }
    paperFound = false;
    paperTaken_ = true;
    rotation = rotationForUnmatched(pageWidth, pageHeight, width, height);
    pdfPrintLog.info("Taking paper Size %s, as Paper names it - %s", name.get(), turnText(rotation));
    return true;
}

bool PrintJob::choosePaperByRule(double pageWidth, double pageHeight, int32_t width, int32_t height) {
    const PaperExtent page{width, height};
    if (options.paper == PaperRule::Exact && customRange_) {
        // A paper of the page's own size: rounded, not cut, to the printer's tenths.
        const PaperExtent exact{pointsToTenths(pageWidth + kHalfTenth), pointsToTenths(pageHeight + kHalfTenth)};
        if (const std::optional<PaperPick> own = ownSizePaperFor(*customRange_, exact)) {
            switchToSize(own->size);
            rotation = own->rotation;
            paperFound = true;
            paperTaken_ = true;
            pdfPrintLog.info("Taking a paper of the page's own size (%.1f x %.1f mm) - %s", own->size.width / 10.0,
                             own->size.length / 10.0, turnText(rotation));
            return true;
        }
    }
    std::vector<PaperExtent> papers;
    for (int32_t index = 0; index < paperSizes.count(); ++index)
        papers.push_back(*paperSizes.size(index));
    const std::optional<PaperPick> pick = smallestPaperFor(papers, page);
    if (!pick) return false;
    switchToPaper(pick->index);
    rotation = pick->rotation;
    paperTaken_ = true;
    const plat::NarrowChars name = paperNameText(paperSizes.name(pick->index));
    pdfPrintLog.info(pick->trueSize ? "Taking paper Size %s, the smallest that holds the page - %s"
                                    : "Taking paper Size %s, on which the page shrinks least - %s",
                     name.get(), turnText(rotation));
    return true;
}

void PrintJob::switchToPaper(int32_t index) {
    // Done for every page that finds a paper, also the same one again.
    if (printer) printer->selectPaper(paperSizes.paper(index));
    if (document) document->takeSettings();
    const PaperExtent* paper = paperSizes.size(index);
    paperWidth = tenthsToPoints(paper->width);
    paperHeight = tenthsToPoints(paper->length);
    paperIndex_ = index;
}

void PrintJob::switchToSize(PaperExtent size) {
    // A size of the printer's own, as Windows programs ask for one.
    if (printer) printer->selectSize(size);
    if (document) document->takeSettings();
    paperWidth = tenthsToPoints(size.width);
    paperHeight = tenthsToPoints(size.length);
    paperIndex_ = -1;
}

void PrintJob::settlePaperRule() {
    if (options.paper == PaperRule::Named) {
        std::string offered;
        int listed = 0;
        for (int32_t index = 0; index < paperSizes.count(); ++index) {
            const plat::NarrowChars name = paperNameText(paperSizes.name(index));
            const std::string text = name.get() ? name.get() : "";
            if (namedPaper_ < 0 && samePaperName(text, options.paperName)) namedPaper_ = index;
            if (offered.size() + text.size() + options.paperName.size() < kListedNamesLength) {
                offered += (offered.empty() ? "" : ", ") + text;
                ++listed;
            }
        }
        if (namedPaper_ < 0) {
            plat::TextBuffer message;
            if (paperSizes.count() == 0) {
                message.appendFormat("Paper=%s is not offered by the printer: it names no papers",
                                     options.paperName.c_str());
            } else {
                message.appendFormat("Paper=%s is not offered by the printer: it has %s", options.paperName.c_str(),
                                     offered.c_str());
                if (listed < paperSizes.count())
                    message.appendFormat(" and %d more (DryRun=yes lists them)", paperSizes.count() - listed);
            }
            throw plat::BadParameterValue(message.data ? message.data : "");
        }
        // The job begins on it.
        printer->selectPaper(paperSizes.paper(namedPaper_));
    }
    if (options.paper == PaperRule::Exact) customRange_ = printer->customSizes();
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
