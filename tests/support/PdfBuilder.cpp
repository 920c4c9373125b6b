#include "support/PdfBuilder.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace testpdf {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

std::string rectangle(const Rect& r) {
    return "[" + number(r.left) + " " + number(r.bottom) + " " + number(r.right) + " " +
           number(r.top) + "]";
}

void append32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// Visits the page's resources and those of the forms, patterns and soft
// masks they lead to, each once.
void walkResources(QPDFObjectHandle resources, std::set<QPDFObjGen>& seen,
                   const std::function<void(QPDFObjectHandle)>& visit) {
    if (!resources.isDictionary()) return;
    if (resources.isIndirect() && !seen.insert(resources.getObjGen()).second) return;
    visit(resources);
    for (const char* category : {"/XObject", "/Pattern"}) {
        QPDFObjectHandle entries = resources.getKey(category);
        if (!entries.isDictionary()) continue;
        for (auto& [name, object] : entries.ditems()) {
            if (object.isIndirect() && !seen.insert(object.getObjGen()).second) continue;
            QPDFObjectHandle dictionary = object.isStream() ? object.getDict() : object;
            walkResources(dictionary.getKey("/Resources"), seen, visit);
        }
    }
    QPDFObjectHandle states = resources.getKey("/ExtGState");
    if (states.isDictionary()) {
        for (auto& [name, state] : states.ditems()) {
            QPDFObjectHandle mask = state.getKey("/SMask");
            if (!mask.isDictionary()) continue;
            QPDFObjectHandle group = mask.getKey("/G");
            if (group.isStream()) walkResources(group.getDict().getKey("/Resources"), seen, visit);
        }
    }
}

// Every entry of one kind of resource ("/XObject", "/ColorSpace") that the
// page's resources hold, or those of the forms, patterns and soft masks
// they lead to.
void forEachResource(QPDFPageObjectHelper& page, const char* category,
                     const std::function<void(QPDFObjectHandle)>& visit) {
    std::set<QPDFObjGen> seen;
    walkResources(page.getAttribute("/Resources", false), seen, [&](QPDFObjectHandle resources) {
        QPDFObjectHandle entries = resources.getKey(category);
        if (!entries.isDictionary()) return;
        for (auto& [name, object] : entries.ditems()) visit(object);
    });
}

bool isXObject(QPDFObjectHandle object, const char* subtype) {
    return object.isStream() && object.getDict().getKey("/Subtype").isNameAndEquals(subtype);
}

struct OpenPdf {
    QPDF pdf;
    std::vector<QPDFPageObjectHelper> pages;
    explicit OpenPdf(const std::string& path) {
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        pages = QPDFPageDocumentHelper(pdf).getAllPages();
    }
    QPDFPageObjectHelper& page(int number) {
        if (number < 1 || number > static_cast<int>(pages.size()))
            throw std::out_of_range("no page " + std::to_string(number));
        return pages[number - 1];
    }
};

std::string decoded(QPDFObjectHandle stream) {
    if (!stream.isStream()) return {};
    const auto data = stream.getStreamData(qpdf_dl_all);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

}  // namespace

PdfBuilder::PdfBuilder() {
    pdf_.emptyPDF();
}

QPDFObjectHandle PdfBuilder::parse(const std::string& syntax) {
    for (auto& [name, object] : named_) {
        if (syntax == "{" + name + "}") return object;
    }
    std::string text = syntax;
    for (auto& [name, object] : named_) {
        const std::string key = "{" + name + "}";
        const std::string reference =
            std::to_string(object.getObjectID()) + " " + std::to_string(object.getGeneration()) + " R";
        for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
            text.replace(at, key.size(), reference);
    }
    try {
        return QPDFObjectHandle::parse(&pdf_, text);
    } catch (const std::exception& failure) {
        throw std::runtime_error(std::string(failure.what()) + ": " + text);
    }
}

void PdfBuilder::object(const std::string& name, const std::string& syntax) {
    named_.emplace_back(name, pdf_.makeIndirectObject(parse(syntax)));
}

void PdfBuilder::stream(const std::string& name, const std::string& dictionary,
                        const std::string& data) {
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf_, data);
    for (auto& [key, value] : parse(dictionary).ditems()) stream.getDict().replaceKey(key, value);
    named_.emplace_back(name, stream);
}

void PdfBuilder::encodedStream(const std::string& name, const std::string& filter,
                               const std::string& data, const std::string& dictionary) {
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf_);
    QPDFObjectHandle entries = parse(dictionary);
    stream.replaceStreamData(data, QPDFObjectHandle::newName(filter), entries.getKey("/DecodeParms"));
    for (auto& [key, value] : entries.ditems()) stream.getDict().replaceKey(key, value);
    named_.emplace_back(name, stream);
}

void PdfBuilder::page(const Page& wanted) {
    QPDFObjectHandle page = parse("<< /Type /Page /MediaBox " +
                                  rectangle({0, 0, wanted.width, wanted.height}) + " >>");
    page.replaceKey("/Resources", parse(wanted.resources));
    QPDFObjectHandle content = QPDFObjectHandle::newStream(&pdf_, wanted.content);
    if (!wanted.contents.empty()) {
        page.replaceKey("/Contents", parse(wanted.contents));
    } else if (wanted.moreContent.empty()) {
        page.replaceKey("/Contents", content);
    } else {
        QPDFObjectHandle contents = QPDFObjectHandle::newArray();
        contents.appendItem(content);
        for (const std::string& name : wanted.moreContent) contents.appendItem(parse(name));
        page.replaceKey("/Contents", contents);
    }
    if (wanted.cropBox) page.replaceKey("/CropBox", parse(rectangle(*wanted.cropBox)));
    if (wanted.rotate) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(wanted.rotate));
    if (wanted.userUnit > 0) page.replaceKey("/UserUnit", QPDFObjectHandle::newReal(wanted.userUnit, 4));
    for (const auto& [key, syntax] : wanted.entries) page.replaceKey(key, parse(syntax));
    page = pdf_.makeIndirectObject(page);
    if (!wanted.annotations.empty()) {
        QPDFObjectHandle annotations = QPDFObjectHandle::newArray();
        for (const std::string& syntax : wanted.annotations) {
            QPDFObjectHandle annotation = parse(syntax);
            if (!annotation.isIndirect()) annotation = pdf_.makeIndirectObject(annotation);
            annotation.replaceKey("/P", page);
            annotations.appendItem(annotation);
        }
        page.replaceKey("/Annots", annotations);
    }
    QPDFPageDocumentHelper(pdf_).addPage(QPDFPageObjectHelper(page), false);
}

void PdfBuilder::catalog(const std::string& key, const std::string& syntax) {
    pdf_.getRoot().replaceKey(key, parse(syntax));
}

void PdfBuilder::write(const std::string& path) {
    QPDFWriter writer(pdf_, path.c_str());
    writer.setStaticID(true);
    // Streams given encoded stay as they are, damaged or hostile.
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
}

std::string pdfOfObjects(const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    char entry[24];
    for (size_t offset : offsets) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

std::string grayIccProfile() {
    // Header, a tag table of two tags (white point, grey curve), the tags.
    std::string tags;
    const uint32_t tableEnd = 128 + 4 + 2 * 12;
    std::string profile(128, '\0');
    std::string table;
    append32(table, 2);
    const auto addTag = [&](const char* signature, const std::string& data) {
        table += signature;
        append32(table, tableEnd + static_cast<uint32_t>(tags.size()));
        append32(table, static_cast<uint32_t>(data.size()));
        tags += data;
    };
    std::string whitePoint = "XYZ ";
    append32(whitePoint, 0);
    for (uint32_t value : {0x0000F6D6u, 0x00010000u, 0x0000D32Du}) append32(whitePoint, value);
    addTag("wtpt", whitePoint);
    std::string curve = "curv";
    append32(curve, 0);
    append32(curve, 0);   // no entries: identity
    addTag("kTRC", curve);
    profile += table + tags;

    std::string header;
    append32(header, static_cast<uint32_t>(profile.size()));
    append32(header, 0);
    append32(header, 0x02100000);
    header += "mntrGRAYXYZ ";
    header += std::string(12, '\0');
    header += "acsp";
    header += std::string(68 - header.size(), '\0');
    for (uint32_t value : {0x0000F6D6u, 0x00010000u, 0x0000D32Du}) append32(header, value);
    profile.replace(0, header.size(), header);
    return profile;
}

std::string pageContent(const std::string& path, int number) {
    OpenPdf pdf(path);
    QPDFPageObjectHelper& page = pdf.page(number);
    std::string content;
    for (QPDFObjectHandle& stream : page.getPageContents()) content += decoded(stream) + "\n";
    forEachResource(page, "/XObject", [&](QPDFObjectHandle object) {
        if (isXObject(object, "/Form")) content += decoded(object) + "\n";
    });
    return content;
}

std::set<std::string> colourSpaceFamilies(const std::string& path, int number) {
    OpenPdf pdf(path);
    std::set<std::string> families;
    forEachResource(pdf.page(number), "/ColorSpace", [&](QPDFObjectHandle space) {
        if (space.isName()) families.insert(space.getName());
        else if (space.isArray() && space.getArrayNItems() > 0)
            families.insert(space.getArrayItem(0).getName());
    });
    return families;
}

int imageCount(const std::string& path, int number) {
    OpenPdf pdf(path);
    int images = 0;
    forEachResource(pdf.page(number), "/XObject", [&](QPDFObjectHandle object) {
        if (isXObject(object, "/Image")) ++images;
    });
    return images;
}

int pageCount(const std::string& path) {
    return static_cast<int>(OpenPdf(path).pages.size());
}

std::vector<std::string> undecodableStreams(const std::string& path) {
    OpenPdf pdf(path);
    std::vector<std::string> failures;
    for (QPDFObjectHandle& object : pdf.pdf.getAllObjects()) {
        if (!object.isStream()) continue;
        Pl_Discard discard;
        bool decoded = false;
        const bool read = object.pipeStreamData(&discard, &decoded, 0, qpdf_dl_specialized, true);
        if (!read) failures.push_back("object " + object.getObjGen().unparse(' ') + ": damaged data");
    }
    return failures;
}

int countObjects(const std::string& path, const std::function<bool(QPDFObjectHandle)>& counted) {
    OpenPdf pdf(path);
    int count = 0;
    for (QPDFObjectHandle& object : pdf.pdf.getAllObjects()) count += counted(object) ? 1 : 0;
    return count;
}

}  // namespace testpdf
