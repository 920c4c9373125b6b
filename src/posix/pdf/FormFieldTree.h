// A guard for drawing: poppler makes a form field of every path through a
// document's field tree, so a tree that names the same kids again and again
// (2^40 paths in a few kilobytes) keeps it busy for ever, whatever it is
// asked to draw. Such documents are not handed to poppler.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>

#include <cstddef>
#include <string>

namespace posix {

// More paths than any real form has (large ones have a few thousand
// fields); poppler takes about a second for as many.
constexpr size_t kMostFormFieldPaths = 10000;

// More paths than the page tree of any real document has (each page is
// one path); poppler takes about a second for as many in a damaged file.
constexpr size_t kMostPageTreePaths = 100000;

// Whether the document's form field tree has more paths than that; false
// when qpdf cannot read it.
bool formFieldTreeTooLarge(QPDF& document);

// Whether the document's form has its appearances made from the values
// (NeedAppearances), as a drawing must be told.
bool appearancesFromValues(QPDF& document);

// Poppler adds a system font for the characters a text field's font
// lacks only to a field that names its default appearance (/DA) itself or
// through its parents; where the field takes it from the form, those
// characters are drawn as nothing. The document as qpdf writes it with
// the form's default appearance given to each such field whose value goes
// beyond ASCII, for drawing to read in place of the file; empty when no
// field needs it or the copy cannot be made.
std::string copyForDrawingForms(QPDF& document);

// Whether the field is one such: a text field whose value goes beyond
// ASCII and that names no default appearance itself or through its parents.
bool wideValueTakesFormAppearance(QPDFFormFieldObjectHelper& field);

// What drawing must know of a file's form. Where qpdf reads the file only
// by repairing it, or not at all, the tree is judged from the file's bytes.
struct FormFacts {
    bool treeTooLarge = false;
    // The page tree of a file qpdf had to repair, or could not read, has
    // more than kMostPageTreePaths paths.
    bool pageTreeTooLarge = false;
    bool appearancesFromValues = false;
    // What copyForDrawingForms made of a file qpdf read without repairs.
    std::string copyForDrawing;
};
FormFacts formFacts(const char* fileName, const char* password);

}  // namespace posix
