#include "posix/assembly/PdfWriter.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>

#include <cstdio>
#include <functional>

namespace posix::assembly {

namespace {

// Pages and page trees are never followed: an annotation's /P or a link's
// destination would otherwise bring in other pages and all they hold.
bool isPageObject(QPDFObjectHandle& object) {
    if (!object.isDictionary()) return false;
    QPDFObjectHandle type = object.getKey("/Type");
    return type.isNameAndEquals("/Page") || type.isNameAndEquals("/Pages");
}

}  // namespace

std::string pdfName(const std::string& name) {
    std::string text = "/";
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = name.empty() || name[0] != '/' ? 0 : 1; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool plain = c > 32 && c < 127 && std::string_view("()<>[]{}/%#").find(c) == std::string_view::npos;
        if (plain) {
            text += static_cast<char>(c);
        } else {
            text += '#';
            text += digits[c >> 4];
            text += digits[c & 15];
        }
    }
    return text;
}

PdfWriter::PdfWriter(Pipeline& out) : out_(out) {}

void PdfWriter::writeHeader(const std::string& version) {
    if (!headerWritten()) emit("%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n" + headerComments_);
}

void PdfWriter::emit(const std::string& text) {
    out_.write(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    offset_ += text.size();
}

int PdfWriter::reserve() {
    offsets_.push_back(-1);
    return static_cast<int>(offsets_.size() - 1);
}

int PdfWriter::numberFor(QPDFObjectHandle& object) {
    const auto key = std::make_pair(static_cast<const QPDF*>(object.getOwningQPDF()), object.getObjGen());
    if (auto found = numbers_.find(key); found != numbers_.end()) return found->second;
    const int number = reserve();
    numbers_.emplace(key, number);
    numbered_.push_back(key);
    queue_.emplace_back(object, number);
    return number;
}

void PdfWriter::appendValue(std::string& text, QPDFObjectHandle value) {
    if (value.isIndirect()) {
        if (value.isNull() || isPageObject(value)) {
            text += "null";
        } else {
            text += std::to_string(numberFor(value)) + " 0 R";
        }
        return;
    }
    appendDirect(text, value);
}

void PdfWriter::appendDirect(std::string& text, QPDFObjectHandle value) {
    switch (value.getTypeCode()) {
        case ::ot_dictionary:
        case ::ot_stream: {
            QPDFObjectHandle dictionary = value.isStream() ? value.getDict() : value;
            text += "<<";
            for (const std::string& key : dictionary.getKeys()) {
                if (value.isStream() && key == "/Length") continue;
                text += pdfName(key);
                text += ' ';
                appendValue(text, dictionary.getKey(key));
                text += ' ';
            }
            text += ">>";
            break;
        }
        case ::ot_array: {
            text += '[';
            for (QPDFObjectHandle& item : value.aitems()) {
                appendValue(text, item);
                text += ' ';
            }
            text += ']';
            break;
        }
        case ::ot_name:
            text += pdfName(value.getName());
            break;
        case ::ot_null:
        case ::ot_uninitialized:
        case ::ot_reserved:
        case ::ot_destroyed:
            text += "null";
            break;
        default:
            // Numbers, strings and booleans: the value itself, also when the
            // handle is that of an indirect object.
            text += value.unparseResolved();
            break;
    }
}

std::string PdfWriter::value(QPDFObjectHandle value) {
    std::string text;
    copyAll([&] { appendValue(text, value); });
    return text;
}

void PdfWriter::copyAll(const std::function<void()>& take) {
    const size_t known = numbered_.size();
    try {
        take();
        while (!queue_.empty()) {
            auto [object, number] = queue_.front();
            queue_.pop_front();
            writeSourceObject(object, number);
        }
    } catch (...) {
        // Every object numbered on the way is forgotten, written or not: a
        // later page that needs them copies them again (and fails again)
        // rather than pointing at an object that was never written. What
        // was written stays in the file, unused.
        for (size_t i = known; i < numbered_.size(); ++i) numbers_.erase(numbered_[i]);
        numbered_.resize(known);
        queue_.clear();
        throw;
    }
    numbered_.clear();
}

void PdfWriter::writeSourceObject(QPDFObjectHandle object, int number) {
    if (!object.isStream()) {
        std::string body;
        appendDirect(body, object);
        writeObject(number, body);
        return;
    }
    // The data as stored. Data that cannot be read at all becomes an empty
    // stream without filters, which every reader takes.
    std::string data;
    bool readable = false;
    {
        Pl_String collect("stream data", nullptr, data);
        try {
            readable = object.pipeStreamData(&collect, nullptr, 0, qpdf_dl_none, true);
        } catch (const std::exception&) {
            readable = false;
        }
    }
    std::string entries;
    appendStreamEntries(entries, object.getDict(), readable);
    if (!readable) data.clear();
    writeStream(number, entries, data);
}

void PdfWriter::appendStreamEntries(std::string& text, QPDFObjectHandle dictionary, bool keepFilters) {
    for (const std::string& key : dictionary.getKeys()) {
        if (key == "/Length") continue;
        if (!keepFilters && (key == "/Filter" || key == "/DecodeParms" || key == "/DL")) continue;
        text += pdfName(key);
        text += ' ';
        appendValue(text, dictionary.getKey(key));
        text += ' ';
    }
}

std::string PdfWriter::streamEntries(QPDFObjectHandle dictionary, bool keepFilters) {
    std::string text;
    copyAll([&] { appendStreamEntries(text, dictionary, keepFilters); });
    return text;
}

void PdfWriter::writeObject(int number, const std::string& body) {
    writeHeader("1.4");
    offsets_[number] = static_cast<long long>(offset_);
    emit(std::to_string(number) + " 0 obj\n" + body + "\nendobj\n");
}

void PdfWriter::writeStream(int number, const std::string& entries, const std::string& data) {
    writeHeader("1.4");
    offsets_[number] = static_cast<long long>(offset_);
    emit(std::to_string(number) + " 0 obj\n<<" + entries + "/Length " + std::to_string(data.size()) +
         ">>\nstream\n");
    emit(data);
    emit("\nendstream\nendobj\n");
}

void PdfWriter::writeCompressedStream(int number, const std::string& entries, const std::string& data) {
    std::string compressed;
    Pl_String collect("compressed stream", nullptr, compressed);
    Pl_Flate deflate("compressed stream", &collect, Pl_Flate::a_deflate);
    deflate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    deflate.finish();
    writeStream(number, entries + "/Filter /FlateDecode ", compressed);
}

void PdfWriter::forget(const QPDF* document) {
    auto first = numbers_.lower_bound(std::make_pair(document, QPDFObjGen()));
    auto last = first;
    while (last != numbers_.end() && last->first.first == document) ++last;
    numbers_.erase(first, last);
}

void PdfWriter::finish(int catalog, int info) {
    writeHeader("1.4");
    for (size_t number = 1; number < offsets_.size(); ++number) {
        if (offsets_[number] < 0) writeObject(static_cast<int>(number), "null");
    }
    const size_t xref = offset_;
    std::string table = "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
    char entry[24];
    for (size_t number = 1; number < offsets_.size(); ++number) {
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", offsets_[number]);
        table += entry;
        if (table.size() > 64 * 1024) {
            emit(table);
            table.clear();
        }
    }
    table += "trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root " +
             std::to_string(catalog) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
             std::to_string(xref) + "\n%%EOF\n";
    emit(table);
}

}  // namespace posix::assembly
