#include "posix/assembly/PdfAssembly.h"

#include <qpdf/Constants.h>
#include <qpdf/Pl_Concatenate.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace posix::assembly {

namespace {

std::string boxArray(const Box& box) {
    return "[" + pdfNumber(box.left) + " " + pdfNumber(box.bottom) + " " + pdfNumber(box.right) +
           " " + pdfNumber(box.top) + "]";
}

std::string clipTo(const Box& box) {
    return pdfNumber(box.left) + " " + pdfNumber(box.bottom) + " " + pdfNumber(box.width()) + " " +
           pdfNumber(box.height()) + " re W n\n";
}

// Whether outer holds inner, to a thousandth of a point.
bool covers(const Box& outer, const Box& inner) {
    constexpr double kSlack = 1e-3;
    return outer.left <= inner.left + kSlack && outer.bottom <= inner.bottom + kSlack &&
           outer.right >= inner.right - kSlack && outer.top >= inner.top - kSlack;
}

// The box the transformation takes the box to (turns are quarter turns).
Box transformed(const Box& box, const Matrix& m) {
    double x0, y0, x1, y1;
    m.apply(box.left, box.bottom, x0, y0);
    m.apply(box.right, box.top, x1, y1);
    return Box::fromCorners(x0, y0, x1, y1);
}

std::string concat(const Matrix& m) {
    return pdfNumber(m.a) + " " + pdfNumber(m.b) + " " + pdfNumber(m.c) + " " + pdfNumber(m.d) + " " +
           pdfNumber(m.e) + " " + pdfNumber(m.f) + " cm\n";
}

// The joined content of a page whose several streams cannot stay as they
// are: decoded and joined into one (PDF reads them as one stream) with a
// line break between, compressed again.
std::string joinedContent(QPDFObjectHandle contents) {
    std::string data;
    Pl_String collect("page content", nullptr, data);
    Pl_Flate flate("joined content", &collect, Pl_Flate::a_deflate);
    // Piping a stream finishes its pipeline; this one ends only here.
    Pl_Concatenate joined("content streams", &flate);
    for (QPDFObjectHandle& stream : contents.aitems()) {
        if (!stream.isStream()) continue;
        if (!stream.pipeStreamData(&joined, nullptr, 0, qpdf_dl_specialized, true))
            throw std::runtime_error("a page's content could not be read");
        static const unsigned char lineBreak = '\n';
        joined.write(&lineBreak, 1);
    }
    joined.manualFinish();
    return data;
}

// The stream's data as stored, with the entries that say how to decode it.
std::string storedData(QPDFObjectHandle stream, PdfWriter& writer, std::string& entries) {
    std::string data;
    Pl_String collect("page content", nullptr, data);
    if (!stream.pipeStreamData(&collect, nullptr, 0, qpdf_dl_none, true))
        throw std::runtime_error("a page's content could not be read");
    for (const char* key : {"/Filter", "/DecodeParms"}) {
        QPDFObjectHandle value = stream.getDict().getKey(key);
        if (!value.isNull()) entries += std::string(key) + " " + writer.value(value) + " ";
    }
    return data;
}

// A version named "1.7" (or "/1.7"), or none.
std::optional<PDFVersion> parseVersion(const std::string& text, int extension = 0) {
    int major = 0, minor = 0;
    const size_t digits = text.find_first_of("0123456789");
    if (digits == std::string::npos || std::sscanf(text.c_str() + digits, "%d.%d", &major, &minor) != 2 ||
        major < 1 || major > 9 || minor < 0 || minor > 9)
        return std::nullopt;
    return PDFVersion(major, minor, extension);
}

// The version a document needs: its header's, or the later one its catalog
// names. qpdf's own getVersionAsPDFVersion compiles a regular expression
// at every call, which costs more than reading a small document.
PDFVersion versionOf(QPDF& document) {
    PDFVersion version = parseVersion(document.getPDFVersion(), document.getExtensionLevel())
                             .value_or(PDFVersion(1, 4));
    QPDFObjectHandle named = document.getRoot().getKey("/Version");
    if (named.isName()) {
        if (std::optional<PDFVersion> later = parseVersion(named.getName())) version.updateIfGreater(*later);
    }
    return version;
}

std::string versionText(const PDFVersion& version) {
    std::string text;
    int extension = 0;
    version.getVersion(text, extension);
    return text;
}

}  // namespace

std::string pdfNumber(double value) {
    if (!std::isfinite(value)) value = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string number = text;
    const size_t point = number.find('.');
    if (point != std::string::npos) {
        size_t end = number.find_last_not_of('0');
        if (end == point) --end;
        number.resize(end + 1);
    }
    if (number == "-0") number = "0";
    return number;
}

std::string emptyPdf(const std::string& title) {
    std::string pdf;
    Pl_String collect("empty document", nullptr, pdf);
    PdfAssembly(collect, title).finish();
    collect.finish();
    return pdf;
}

PdfAssembly::PdfAssembly(Pipeline& out, std::string title)
    : writer_(out), title_(std::move(title)) {
    catalog_ = writer_.reserve();
    pages_ = writer_.reserve();
    info_ = writer_.reserve();
}

void PdfAssembly::beginSheet(double widthPoints, double heightPoints) {
    if (sheet_.open) endSheet();
    sheet_ = Sheet{};
    sheet_.open = true;
    sheet_.width = widthPoints;
    sheet_.height = heightPoints;
}

void PdfAssembly::noteSource(const std::shared_ptr<QPDF>& document) {
    if (!sources_.insert(document).second) return;
    const PDFVersion version = versionOf(*document);
    // The header names the first document's version (1.4 at least); a
    // later one that needs more has the catalog name it.
    if (!writer_.headerWritten()) {
        header_.updateIfGreater(version);
        writer_.writeHeader(versionText(header_));
    }
    version_.updateIfGreater(version);
    // Optional content keeps its configuration (which layers print): the
    // first document that has one brings it along.
    QPDFObjectHandle properties = document->getRoot().getKey("/OCProperties");
    if (optionalContent_.empty() && properties.isDictionary()) optionalContent_ = writer_.value(properties);
}

void PdfAssembly::letGo(const std::shared_ptr<QPDF>& document) {
    forms_.erase(document.get());
    writer_.forget(document.get());
    sources_.erase(document);
}

int* PdfAssembly::knownForm(const QPDF* document, const std::string& key) {
    auto perDocument = forms_.find(document);
    if (perDocument == forms_.end()) return nullptr;
    auto found = perDocument->second.find(key);
    return found == perDocument->second.end() ? nullptr : &found->second;
}

std::string PdfAssembly::appearanceFor(QPDFObjectHandle appearance) {
    // An appearance as the document stores it is copied as it is, filters
    // and all, like any other object.
    if (!appearance.isDataModified()) return writer_.value(appearance);
    // One a form generated exists only once it is read through (its value
    // is filled in as it is read): decoded, within the limit of what an
    // appearance may inflate to, and compressed again.
    const QPDF* document = appearance.getOwningQPDF();
    const std::string key = "appearance " + appearance.getObjGen().unparse(' ');
    if (int* known = knownForm(document, key)) return std::to_string(*known) + " 0 R";
    std::string data;
    Pl_String collect("appearance", nullptr, data);
    Pl_Flate compress("appearance", &collect, Pl_Flate::a_deflate);
    if (!decodeStream(appearance, &compress, kAppearanceLimit))
        throw std::runtime_error("an annotation's appearance could not be read");
    const std::string entries = writer_.streamEntries(appearance.getDict(), false);
    const int number = writer_.reserve();
    writer_.writeStream(number, entries + "/Filter /FlateDecode ", data);
    forms_[document][key] = number;
    return std::to_string(number) + " 0 R";
}

int PdfAssembly::formFor(const SourcePage& source) {
    QPDFObjectHandle pageObject = source.page;
    QPDFObjectHandle contents = pageObject.getKey("/Contents");
    std::string entries = "/Type /XObject /Subtype /Form /BBox " + boxArray(source.displayed.box);
    QPDFObjectHandle resources = QPDFPageObjectHelper(pageObject).getAttribute("/Resources", false);
    entries += " /Resources " + (resources.isDictionary() ? writer_.value(resources) : std::string("<< >>")) + " ";

    // A single stream is the form's content as it is stored, so pages that
    // share it with the same resources and box share the form; several are
    // joined for their page alone.
    const bool single = contents.isStream();
    const std::string key = single ? "content " + contents.getObjGen().unparse(' ') + " " + entries
                                   : "page " + pageObject.getObjGen().unparse(' ');
    const QPDF* document = source.document.get();
    if (int* known = knownForm(document, key)) return *known;
    std::string data;
    if (single) {
        data = storedData(contents, writer_, entries);
    } else if (contents.isArray()) {
        data = joinedContent(contents);
        entries += "/Filter /FlateDecode ";
    }
    const int number = writer_.reserve();
    writer_.writeStream(number, entries, data);
    forms_[document][key] = number;
    return number;
}

std::string PdfAssembly::freshName(const char* prefix, Sheet& sheet) {
    std::string name;
    do {
        name = prefix + std::to_string(++sheet.namesGiven);
    } while (sheet.pageNames.count(name));
    return name;
}

void PdfAssembly::putOnSheet(const SourcePage& source, const Matrix& pageToSheet, const Box& clip) {
    if (!sheet_.open) throw std::logic_error("no sheet to put a page on");
    noteSource(source.document);
    QPDFObjectHandle pageObject = source.page;
    // A clip that leaves nothing out costs a printer's interpreter work on
    // every path it draws: the printable area is clipped to only where it
    // is less than the sheet, the page's region only where it is less than
    // what shows, and a form is clipped to its bounding box anyway.
    const Box sheetBox{0, 0, sheet_.width, sheet_.height};
    const bool clipPrintable = !covers(clip, sheetBox);
    const bool clipPage = !covers(transformed(source.displayed.box, pageToSheet), clipPrintable ? clip : sheetBox);
    const std::string toPage = (clipPrintable ? clipTo(clip) : std::string()) + concat(pageToSheet);
    const std::string pageClip = clipPage ? clipTo(source.displayed.box) : std::string();

    // Everything is taken from the document before the sheet takes any of
    // it, so that a page that fails leaves the sheet as it was.
    Sheet taken = sheet_;
    // Several content streams that can run as they are stay as they are,
    // each written once however many pages share it (a letterhead, a form
    // background), with the page's resources as the sheet's; on a sheet
    // that holds nothing yet.
    const bool asItIs = source.openSaves >= 0 && taken.content.empty() && taken.pageContents.empty();
    std::string drawing;
    if (asItIs) {
        QPDFObjectHandle resources = QPDFPageObjectHelper(pageObject).getAttribute("/Resources", false);
        if (resources.isDictionary()) {
            for (const std::string& key : resources.getKeys()) {
                QPDFObjectHandle value = resources.getKey(key);
                if (key != "/XObject") {
                    taken.resources += pdfName(key) + " " + writer_.value(value) + " ";
                } else if (value.isDictionary()) {
                    for (const std::string& name : value.getKeys()) {
                        taken.pageNames.insert(pdfName(name));
                        taken.xobjects += pdfName(name) + " " + writer_.value(value.getKey(name)) + " ";
                    }
                }
            }
        }
        for (QPDFObjectHandle& stream : pageObject.getKey("/Contents").aitems()) {
            if (stream.isStream()) taken.pageContents += writer_.value(stream) + " ";
        }
        taken.before = "q\n" + toPage + pageClip;
        // What the page left saved is restored with the sheet's own.
        for (int save = 0; save <= source.openSaves; ++save) drawing += "Q\n";
    } else {
        const std::string form = std::to_string(formFor(source)) + " 0 R";
        const std::string formName = freshName("/P", taken);
        taken.xobjects += formName + " " + form + " ";
        drawing += "q\n" + toPage + formName + " Do\nQ\n";
    }

    std::string overlays;
    for (QPDFObjectHandle annotation : source.annotations) {
        QPDFAnnotationObjectHelper helper(annotation);
        QPDFObjectHandle appearance = helper.getAppearanceStream("/N");
        if (!appearance.isStream()) continue;
        const std::string name = freshName("/A", taken);
        const std::string overlay = helper.getPageContentForAppearance(
            name, source.displayed.rotate, an_print, an_invisible | an_hidden);
        if (overlay.empty()) continue;
        taken.xobjects += name + " " + appearanceFor(appearance) + " ";
        overlays += overlay;
    }
    if (!overlays.empty()) drawing += "q\n" + toPage + pageClip + overlays + "Q\n";

    // The sheet takes the transparency group of the first page that has
    // one, so that it blends in the same colour space; the page's form
    // does not take it again, which would make a printer's interpreter
    // blend every page as transparent.
    QPDFObjectHandle pageGroup = pageObject.getKey("/Group");
    if (taken.group.empty() && pageGroup.isDictionary()) taken.group = writer_.value(pageGroup);
    if (source.drawn && source.document != lastDrawing_) {
        if (lastDrawing_) letGo(lastDrawing_);
        lastDrawing_ = source.document;
    }

    taken.content += drawing;
    sheet_ = std::move(taken);
}

void PdfAssembly::dropSheet() {
    sheet_ = Sheet{};
}

void PdfAssembly::endSheet() {
    if (!sheet_.open) return;
    std::string contents;
    if (sheet_.pageContents.empty()) {
        contents = std::to_string(ownStream(sheet_.content)) + " 0 R";
    } else {
        contents = "[" + std::to_string(ownStream(sheet_.before)) + " 0 R " + sheet_.pageContents +
                   std::to_string(ownStream("\n" + sheet_.content)) + " 0 R]";
    }
    std::string page = "<< /Type /Page /Parent " + std::to_string(pages_) + " 0 R /MediaBox " +
                       boxArray(Box{0, 0, sheet_.width, sheet_.height}) + " /Resources << " + sheet_.resources;
    if (!sheet_.xobjects.empty()) page += "/XObject << " + sheet_.xobjects + ">> ";
    page += ">> /Contents " + contents + " ";
    if (!sheet_.group.empty()) page += "/Group " + sheet_.group + " ";
    page += ">>";
    // Copies share the sheet's content; each is a page object of its own.
    PageBody written{page, sheet_.width, sheet_.height};
    sheet_ = Sheet{};
    copies_->add(std::move(written));
}

int PdfAssembly::ownStream(const std::string& data) {
    // Sheets often draw the same (pages of one size placed the same way):
    // a small stream is written once.
    constexpr size_t kSmall = 1024;
    const bool small = data.size() <= kSmall;
    if (small) {
        if (auto found = smallStreams_.find(data); found != smallStreams_.end()) return found->second;
    }
    const int number = writer_.reserve();
    writer_.writeCompressedStream(number, "", data);
    if (small) smallStreams_.emplace(data, number);
    return number;
}

void PdfAssembly::addPage(const std::string& body) {
    const int number = writer_.reserve();
    writer_.writeObject(number, body);
    kids_.push_back(number);
}

std::string PdfAssembly::blankPage(const PageBody& like) const {
    return "<< /Type /Page /Parent " + std::to_string(pages_) + " 0 R /MediaBox " +
           boxArray(Box{0, 0, like.width, like.height}) + " /Resources << >> >>";
}

void PdfAssembly::setCopies(const DocumentCopies& copies) { copies_ = copyLayoutFor(copies); }

std::unique_ptr<CopyLayout<PdfAssembly::PageBody>> PdfAssembly::copyLayoutFor(const DocumentCopies& copies) {
    return std::make_unique<CopyLayout<PageBody>>(
        copies, [this](const PageBody& page, bool blank) { addPage(blank ? blankPage(page) : page.body); });
}

void PdfAssembly::tellCopies(int copies) {
    if (copies <= 1) return;
    writer_.setHeaderComments("%%PDFTOPDFNumCopies : " + std::to_string(copies) + "\n%%PDFTOPDFCollate : false\n");
}

void PdfAssembly::finish() {
    if (sheet_.open) endSheet();
    copies_->finish();
    std::string kids;
    for (int kid : kids_) kids += std::to_string(kid) + " 0 R ";
    writer_.writeObject(pages_, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                    std::to_string(kids_.size()) + " >>");

    std::string catalog = "<< /Type /Catalog /Pages " + std::to_string(pages_) + " 0 R ";
    if (!optionalContent_.empty()) catalog += "/OCProperties " + optionalContent_ + " ";
    if (header_ < version_) catalog += "/Version /" + versionText(version_) + " ";
    writer_.writeObject(catalog_, catalog + ">>");

    std::string info = "<< ";
    if (!title_.empty()) info += "/Title " + QPDFObjectHandle::newUnicodeString(title_).unparse() + " ";
    writer_.writeObject(info_, info + "/Creator (Quorlex) >>");
    writer_.finish(catalog_, info_);
}

}  // namespace posix::assembly
