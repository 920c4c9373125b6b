// Writes a PDF while it is being made, through a qpdf Pipeline: objects of
// its own as they are given, and the objects of source documents (read with
// qpdf) the moment something refers to them, each once, renumbered, their
// streams as they are stored (filters and all). Nothing is kept but the
// place of every object for the cross-reference table at the end.
#pragma once

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace posix::assembly {

class PdfWriter {
public:
    explicit PdfWriter(Pipeline& out);
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // Writes the header naming the version ("1.7"), unless a header is
    // written: the first object written brings one of 1.4.
    void writeHeader(const std::string& version);
    bool headerWritten() const { return offset_ > 0; }
    // Comment lines ("%%Name : value\n") written right after the header,
    // where filters that read the document's first lines look for them.
    void setHeaderComments(std::string comments) { headerComments_ = std::move(comments); }

    // A number for an object of the writer's own, written later.
    int reserve();

    // A source value (a dictionary, an array, a number, ...) as text for an
    // object of the writer's own. The source objects it refers to, and all
    // they lead to, are written before this returns; references to pages
    // become null, so that no page drags in another. Throws (std::exception)
    // when qpdf cannot read what it meets; nothing of that call is then
    // taken as written, so a later call copies it afresh.
    std::string value(QPDFObjectHandle value);

    // The entries of a source stream's dictionary, as value() gives them,
    // for a stream of the writer's own: without /Length, and without the
    // filters unless keepFilters (for data that is written decoded).
    std::string streamEntries(QPDFObjectHandle dictionary, bool keepFilters);

    // Objects of the writer's own: a dictionary or other value as text, a
    // stream from the entries of its dictionary (without /Length) and data.
    void writeObject(int number, const std::string& body);
    void writeStream(int number, const std::string& entries, const std::string& data);
    // The same with the data compressed (Flate).
    void writeCompressedStream(int number, const std::string& entries, const std::string& data);

    // Forgets every object of the document it copied: a document let go
    // before the end (its address may come again with another document).
    // What was written stays written.
    void forget(const QPDF* document);

    // Ends the document: objects reserved and never written become null,
    // then the cross-reference table and the trailer.
    void finish(int catalog, int info);

private:
    int numberFor(QPDFObjectHandle& object);
    // Runs take, which numbers source objects, then writes what it
    // numbered; on failure forgets every number it gave.
    void copyAll(const std::function<void()>& take);
    void writeSourceObject(QPDFObjectHandle object, int number);
    void appendValue(std::string& text, QPDFObjectHandle value);
    void appendDirect(std::string& text, QPDFObjectHandle value);
    void appendStreamEntries(std::string& text, QPDFObjectHandle dictionary, bool keepFilters);
    void emit(const std::string& text);

    Pipeline& out_;
    std::string headerComments_;
    size_t offset_ = 0;
    std::vector<long long> offsets_{-1};                   // by number; -1: not written
    std::map<std::pair<const QPDF*, QPDFObjGen>, int> numbers_;  // source objects
    std::deque<std::pair<QPDFObjectHandle, int>> queue_;   // numbered, not yet written
    std::vector<std::pair<const QPDF*, QPDFObjGen>> numbered_;   // by the copy in progress
};

// A name in PDF syntax ("/Type"), with the characters that need it escaped.
std::string pdfName(const std::string& name);

}  // namespace posix::assembly
