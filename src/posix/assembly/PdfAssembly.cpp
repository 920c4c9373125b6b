#include "posix/assembly/PdfAssembly.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Constants.h>
#include <qpdf/Pl_Concatenate.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <cmath>
#include <cstdio>
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

std::string concat(const Matrix& m) {
    return pdfNumber(m.a) + " " + pdfNumber(m.b) + " " + pdfNumber(m.c) + " " + pdfNumber(m.d) + " " +
           pdfNumber(m.e) + " " + pdfNumber(m.f) + " cm\n";
}

// The content of a page for its form: a single stream byte for byte, with
// its filters; several decoded and joined into one (PDF reads them as one
// stream) with a line break between, compressed again.
struct FormContent {
    std::string data;
    QPDFObjectHandle filter;
    QPDFObjectHandle decodeParms;
    bool joined = false;
};

FormContent contentOf(QPDFObjectHandle page) {
    FormContent content;
    QPDFObjectHandle contents = page.getKey("/Contents");
    if (contents.isStream()) {
        Pl_String collect("page content", nullptr, content.data);
        if (!contents.pipeStreamData(&collect, nullptr, 0, qpdf_dl_none, true))
            throw std::runtime_error("a page's content could not be read");
        content.filter = contents.getDict().getKey("/Filter");
        content.decodeParms = contents.getDict().getKey("/DecodeParms");
    } else if (contents.isArray()) {
        Pl_String collect("page content", nullptr, content.data);
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
        content.joined = true;
    }
    return content;
}

// The document's PDF version. qpdf's own getVersionAsPDFVersion compiles a
// regular expression at every call, which costs more than reading a small
// document.
PDFVersion versionOf(QPDF& document) {
    int major = 1, minor = 4;
    std::sscanf(document.getPDFVersion().c_str(), "%d.%d", &major, &minor);
    return PDFVersion(major, minor, document.getExtensionLevel());
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
    version_.updateIfGreater(versionOf(*document));
    // Optional content keeps its configuration (which layers print): the
    // first document that has one brings it along.
    QPDFObjectHandle properties = document->getRoot().getKey("/OCProperties");
    if (optionalContent_.empty() && properties.isDictionary()) optionalContent_ = writer_.value(properties);
}

std::string PdfAssembly::appearanceFor(QPDFObjectHandle appearance) {
    // An appearance as the document stores it is copied as it is, filters
    // and all, like any other object.
    if (!appearance.isDataModified()) return writer_.value(appearance);
    // One a form generated exists only once it is read through (its value
    // is filled in as it is read): decoded, within the limit of what an
    // appearance may inflate to, and compressed again.
    const auto key = std::make_pair(static_cast<const QPDF*>(appearance.getOwningQPDF()),
                                    appearance.getObjGen());
    auto found = forms_.find(key);
    if (found == forms_.end()) {
        std::string data;
        Pl_String collect("appearance", nullptr, data);
        Pl_Flate compress("appearance", &collect, Pl_Flate::a_deflate);
        if (!decodeStream(appearance, &compress, kAppearanceLimit))
            throw std::runtime_error("an annotation's appearance could not be read");
        const std::string entries = writer_.streamEntries(appearance.getDict(), false);
        const int number = writer_.reserve();
        writer_.writeStream(number, entries + "/Filter /FlateDecode ", data);
        found = forms_.emplace(key, number).first;
    }
    return std::to_string(found->second) + " 0 R";
}

int PdfAssembly::formFor(const SourcePage& source) {
    const auto key = std::make_pair(static_cast<const QPDF*>(source.document.get()),
                                    source.page.getObjGen());
    if (auto found = forms_.find(key); found != forms_.end()) return found->second;

    QPDFObjectHandle pageObject = source.page;
    FormContent content = contentOf(pageObject);
    std::string entries = "/Type /XObject /Subtype /Form /BBox " + boxArray(source.displayed.box);
    QPDFObjectHandle resources = QPDFPageObjectHelper(pageObject).getAttribute("/Resources", false);
    entries += " /Resources " + (resources.isDictionary() ? writer_.value(resources) : std::string("<< >>"));
    QPDFObjectHandle group = pageObject.getKey("/Group");
    if (group.isDictionary()) entries += " /Group " + writer_.value(group);
    if (content.joined) {
        entries += " /Filter /FlateDecode";
    } else {
        if (content.filter.isInitialized() && !content.filter.isNull())
            entries += " /Filter " + writer_.value(content.filter);
        if (content.decodeParms.isInitialized() && !content.decodeParms.isNull())
            entries += " /DecodeParms " + writer_.value(content.decodeParms);
    }
    entries += ' ';
    const int number = writer_.reserve();
    writer_.writeStream(number, entries, content.data);
    forms_.emplace(key, number);
    return number;
}

void PdfAssembly::putOnSheet(const SourcePage& source, const Matrix& pageToSheet, const Box& clip) {
    if (!sheet_.open) throw std::logic_error("no sheet to place a page on");
    noteSource(source.document);
    const int form = formFor(source);

    // Names for this placement; the sheet takes them only once everything
    // has been taken from the document.
    int names = sheet_.namesGiven;
    const std::string formName = "/P" + std::to_string(++names);
    std::string xobjects = formName + " " + std::to_string(form) + " 0 R ";
    std::string overlays;
    for (QPDFObjectHandle annotation : source.annotations) {
        QPDFAnnotationObjectHelper helper(annotation);
        QPDFObjectHandle appearance = helper.getAppearanceStream("/N");
        if (!appearance.isStream()) continue;
        const std::string name = "/A" + std::to_string(++names);
        const std::string drawing = helper.getPageContentForAppearance(
            name, source.displayed.rotate, an_print, an_invisible | an_hidden);
        if (drawing.empty()) continue;
        xobjects += name + " " + appearanceFor(appearance) + " ";
        overlays += drawing;
    }
    // The sheet takes the transparency group of the first page that has one,
    // so that it blends in the same colour space.
    std::string group;
    QPDFObjectHandle pageObject = source.page;
    QPDFObjectHandle pageGroup = pageObject.getKey("/Group");
    if (sheet_.group.empty() && pageGroup.isDictionary()) group = writer_.value(pageGroup);

    sheet_.content += "q\n" + clipTo(clip) + concat(pageToSheet) + clipTo(source.displayed.box) +
                      formName + " Do\n" + overlays + "Q\n";
    sheet_.xobjects += xobjects;
    sheet_.namesGiven = names;
    if (!group.empty()) sheet_.group = group;
}

void PdfAssembly::endSheet() {
    if (!sheet_.open) return;
    const int content = writer_.reserve();
    writer_.writeStream(content, "", sheet_.content);
    std::string page = "<< /Type /Page /Parent " + std::to_string(pages_) + " 0 R /MediaBox " +
                       boxArray(Box{0, 0, sheet_.width, sheet_.height}) + " /Resources << ";
    if (!sheet_.xobjects.empty()) page += "/XObject << " + sheet_.xobjects + ">> ";
    page += ">> /Contents " + std::to_string(content) + " 0 R ";
    if (!sheet_.group.empty()) page += "/Group " + sheet_.group + " ";
    page += ">>";
    // Copies share the sheet's content; each is a page object of its own.
    PageBody written{page, sheet_.width, sheet_.height};
    sheet_ = Sheet{};
    if (copies_ == 1 || collated_) {
        addPage(written.body);
        if (copies_ > 1) sheetBodies_.push_back(std::move(written));
    } else if (!twoSided_) {
        for (int copy = 0; copy < copies_; ++copy) addPage(written.body);
    } else if (!pendingFront_) {
        pendingFront_ = std::move(written);
    } else {
        for (int copy = 0; copy < copies_; ++copy) {
            addPage(pendingFront_->body);
            addPage(written.body);
        }
        pendingFront_.reset();
    }
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

void PdfAssembly::setCopies(int copies, bool collated, bool twoSided) {
    copies_ = copies > 1 ? copies : 1;
    collated_ = collated;
    twoSided_ = twoSided;
}

void PdfAssembly::finish() {
    if (sheet_.open) endSheet();
    if (pendingFront_) {
        for (int copy = 0; copy < copies_; ++copy) {
            addPage(pendingFront_->body);
            addPage(blankPage(*pendingFront_));
        }
        pendingFront_.reset();
    }
    if (collated_ && copies_ > 1 && !sheetBodies_.empty()) {
        const bool pad = twoSided_ && sheetBodies_.size() % 2 == 1;
        for (int copy = 0; copy < copies_; ++copy) {
            // The first copy went out sheet by sheet as it was made.
            if (copy > 0)
                for (const PageBody& page : sheetBodies_) addPage(page.body);
            if (pad) addPage(blankPage(sheetBodies_.back()));
        }
    }
    std::string kids;
    for (int kid : kids_) kids += std::to_string(kid) + " 0 R ";
    writer_.writeObject(pages_, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                    std::to_string(kids_.size()) + " >>");

    std::string catalog = "<< /Type /Catalog /Pages " + std::to_string(pages_) + " 0 R ";
    if (!optionalContent_.empty()) catalog += "/OCProperties " + optionalContent_ + " ";
    std::string version;
    int extension = 0;
    version_.getVersion(version, extension);
    if (PDFVersion(1, 4) < version_) catalog += "/Version /" + version + " ";
    writer_.writeObject(catalog_, catalog + ">>");

    std::string info = "<< ";
    if (!title_.empty()) info += "/Title " + QPDFObjectHandle::newUnicodeString(title_).unparse() + " ";
    writer_.writeObject(info_, info + "/Creator (Quorlex) >>");
    writer_.finish(catalog_, info_);
}

}  // namespace posix::assembly
