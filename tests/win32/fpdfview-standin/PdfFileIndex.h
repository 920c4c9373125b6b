// Test stand-in for fpdfview.dll, not the real PDF engine: where each
// object of a PDF file starts, found by scanning for "N G obj" rather than
// trusting the cross-reference table, and the trailer dictionaries.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "PdfObjects.h"

namespace standin {

class PdfFileIndex {
public:
    // Indexes bytes, which must outlive the index.
    explicit PdfFileIndex(std::string_view bytes);

    bool hasHeader() const { return hasHeader_; }
    // Classic trailers and cross-reference stream dictionaries, in file order.
    const std::vector<Value>& trailers() const { return trailers_; }
    // The last object in the file that says /Type /Catalog.
    std::optional<int> catalogObject() const { return catalog_; }

    // The value of an object (the last definition in the file wins, as after
    // incremental updates), or nothing when it is absent or malformed.
    std::optional<Value> object(int number) const;
    // value itself, or the object a reference leads to (through a bounded
    // chain of references to references).
    std::optional<Value> resolve(const Value& value) const;

private:
    void scan();
    void indexObject(Lexer& lexer, const Token& number);
    void skipStream(Lexer& lexer, const Value& dictionary);

    std::string_view bytes_;
    bool hasHeader_ = false;
    std::unordered_map<int, std::size_t> bodies_;  // object number -> offset after "obj"
    std::vector<Value> trailers_;
    std::optional<int> catalog_;
};

}  // namespace standin
