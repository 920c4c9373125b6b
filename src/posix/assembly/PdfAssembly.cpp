#include "posix/assembly/PdfAssembly.h"

#include <qpdf/Constants.h>
#include <qpdf/Pl_Concatenate.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/PDFVersion.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace posix::assembly {

namespace {

// The raw bytes of one content stream, filters and all: a page with a
// single content stream keeps it byte for byte.
class RawStreamData : public QPDFObjectHandle::StreamDataProvider {
public:
    explicit RawStreamData(QPDFObjectHandle stream) : stream_(std::move(stream)) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        if (!stream_.pipeStreamData(pipeline, nullptr, 0, qpdf_dl_none, true))
            throw std::runtime_error("a page's content could not be read");
    }

private:
    QPDFObjectHandle stream_;
};

// Several content streams make one: PDF reads them as a single stream, so
// they are decoded, joined with a line break between (a stream may end in
// the middle of nowhere but never inside a token) and compressed again.
class JoinedStreamData : public QPDFObjectHandle::StreamDataProvider {
public:
    explicit JoinedStreamData(std::vector<QPDFObjectHandle> streams)
        : streams_(std::move(streams)) {}
    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        Pl_Flate flate("joined content", pipeline, Pl_Flate::a_deflate);
        // Piping a stream finishes its pipeline; this one ends only here.
        Pl_Concatenate joined("content streams", &flate);
        for (QPDFObjectHandle& stream : streams_) {
            if (!stream.pipeStreamData(&joined, nullptr, 0, qpdf_dl_specialized, true))
                throw std::runtime_error("a page's content could not be read");
            static const unsigned char lineBreak = '\n';
            joined.write(&lineBreak, 1);
        }
        joined.manualFinish();
    }

private:
    std::vector<QPDFObjectHandle> streams_;
};

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

// Whether the document keeps objects in object streams: its copy then
// does too, or it would grow.
bool usesObjectStreams(QPDF& document) {
    for (const auto& [id, entry] : document.getXRefTable()) {
        if (entry.getType() == 2) return true;
    }
    return false;
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
    PdfAssembly(title).write(collect);
    return pdf;
}

PdfAssembly::PdfAssembly(const std::string& title) {
    out_.setSuppressWarnings(true);
    out_.emptyPDF();
    QPDFObjectHandle info = out_.makeIndirectObject(QPDFObjectHandle::newDictionary());
    if (!title.empty()) info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString("Quorlex"));
    out_.getTrailer().replaceKey("/Info", info);
}

void PdfAssembly::beginSheet(double widthPoints, double heightPoints) {
    if (sheet_.open) endSheet();
    sheet_ = Sheet{};
    sheet_.open = true;
    sheet_.width = widthPoints;
    sheet_.height = heightPoints;
    sheet_.xobjects = QPDFObjectHandle::newDictionary();
}

void PdfAssembly::noteSource(const std::shared_ptr<QPDF>& document) {
    if (!sources_.insert(document).second) return;
    version_.updateIfGreater(document->getVersionAsPDFVersion());
    objectStreams_ = objectStreams_ || usesObjectStreams(*document);

    // Optional content keeps its configuration (which layers print): the
    // first document that has one brings it along.
    QPDFObjectHandle root = out_.getRoot();
    QPDFObjectHandle properties = document->getRoot().getKey("/OCProperties");
    if (!root.hasKey("/OCProperties") && properties.isDictionary())
        root.replaceKey("/OCProperties", copied(properties));
}

QPDFObjectHandle PdfAssembly::copied(QPDFObjectHandle foreign) {
    if (foreign.isIndirect()) return out_.copyForeignObject(foreign);
    if (foreign.isDictionary()) {
        QPDFObjectHandle copy = QPDFObjectHandle::newDictionary();
        for (const std::string& key : foreign.getKeys()) copy.replaceKey(key, copied(foreign.getKey(key)));
        return copy;
    }
    if (foreign.isArray()) {
        QPDFObjectHandle copy = QPDFObjectHandle::newArray();
        for (QPDFObjectHandle& item : foreign.aitems()) copy.appendItem(copied(item));
        return copy;
    }
    return foreign.shallowCopy();
}

QPDFObjectHandle PdfAssembly::formFor(const SourcePage& source) {
    const auto key = std::make_pair(static_cast<const QPDF*>(source.document.get()),
                                    source.page.getObjGen());
    if (auto found = forms_.find(key); found != forms_.end()) return found->second;

    QPDFObjectHandle pageObject = source.page;
    QPDFPageObjectHelper page(pageObject);
    QPDFObjectHandle form = QPDFObjectHandle::newStream(&out_);
    QPDFObjectHandle contents = pageObject.getKey("/Contents");
    if (contents.isStream()) {
        QPDFObjectHandle dictionary = contents.getDict();
        form.replaceStreamData(std::make_shared<RawStreamData>(contents),
                               copied(dictionary.getKey("/Filter")),
                               copied(dictionary.getKey("/DecodeParms")));
    } else if (contents.isArray()) {
        std::vector<QPDFObjectHandle> streams;
        for (QPDFObjectHandle& item : contents.aitems()) {
            if (item.isStream()) streams.push_back(item);
        }
        form.replaceStreamData(std::make_shared<JoinedStreamData>(std::move(streams)),
                               QPDFObjectHandle::newName("/FlateDecode"),
                               QPDFObjectHandle::newNull());
    } else {
        form.replaceStreamData("", QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    }

    QPDFObjectHandle dictionary = form.getDict();
    dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dictionary.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    dictionary.replaceKey("/BBox", QPDFObjectHandle::parse(boxArray(source.displayed.box)));
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    dictionary.replaceKey("/Resources",
                          resources.isDictionary() ? copied(resources) : QPDFObjectHandle::newDictionary());
    QPDFObjectHandle group = pageObject.getKey("/Group");
    if (group.isDictionary()) dictionary.replaceKey("/Group", copied(group));

    forms_.emplace(key, form);
    return form;
}

void PdfAssembly::place(const SourcePage& source, const Matrix& pageToSheet, const Box& clip) {
    if (!sheet_.open) throw std::logic_error("no sheet to place a page on");
    noteSource(source.document);
    const QPDFObjectHandle form = formFor(source);

    // Names for this placement, taken only once everything has been copied.
    int names = sheet_.names;
    const std::string formName = "/P" + std::to_string(++names);
    std::vector<std::pair<std::string, QPDFObjectHandle>> xobjects{{formName, form}};
    std::string overlays;
    for (QPDFObjectHandle annotation : source.annotations) {
        QPDFAnnotationObjectHelper helper(annotation);
        QPDFObjectHandle appearance = helper.getAppearanceStream("/N");
        if (!appearance.isStream()) continue;
        const std::string name = "/A" + std::to_string(++names);
        const std::string drawing = helper.getPageContentForAppearance(
            name, source.displayed.rotate, an_print, an_invisible | an_hidden);
        if (drawing.empty()) continue;
        xobjects.emplace_back(name, copied(appearance));
        overlays += drawing;
    }

    // The sheet takes the transparency group of the first page that has one,
    // so that it blends in the same colour space.
    QPDFObjectHandle pageObject = source.page;
    QPDFObjectHandle group = pageObject.getKey("/Group");
    if (!sheet_.group.isInitialized() && group.isDictionary()) group = copied(group);
    else group = QPDFObjectHandle();

    sheet_.content += "q\n" + clipTo(clip) + concat(pageToSheet) + clipTo(source.displayed.box) +
                      formName + " Do\n" + overlays + "Q\n";
    for (auto& [name, object] : xobjects) sheet_.xobjects.replaceKey(name, object);
    sheet_.names = names;
    if (group.isInitialized()) sheet_.group = group;
}

void PdfAssembly::endSheet() {
    if (!sheet_.open) return;
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    if (!sheet_.xobjects.getKeys().empty()) resources.replaceKey("/XObject", sheet_.xobjects);
    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox",
                    QPDFObjectHandle::parse(boxArray(Box{0, 0, sheet_.width, sheet_.height})));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&out_, sheet_.content));
    if (sheet_.group.isInitialized()) page.replaceKey("/Group", sheet_.group);
    QPDFPageDocumentHelper(out_).addPage(QPDFPageObjectHelper(out_.makeIndirectObject(page)), false);
    ++sheetCount_;
    sheet_ = Sheet{};
}

void PdfAssembly::write(Pipeline& out) {
    if (sheet_.open) endSheet();
    QPDFWriter writer(out_);
    writer.setOutputPipeline(&out);
    // Every stream goes out as it came in: compressed ones stay compressed
    // with their own filters, the rest stay as they are.
    writer.setCompressStreams(false);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setObjectStreamMode(objectStreams_ ? qpdf_o_generate : qpdf_o_disable);
    writer.setMinimumPDFVersion(version_);
    writer.write();
}

}  // namespace posix::assembly
