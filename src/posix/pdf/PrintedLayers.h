// Which optional content prints: the layers (optional content groups) a
// document's default configuration turns off, or whose print usage says
// off, do not print, as a viewer prints. Content marked with an optional
// content membership prints as its policy or expression over its layers
// says.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <set>

namespace posix::pdf {

class PrintedLayers {
public:
    PrintedLayers() = default;
    // From the document's /OCProperties; a document without them prints all.
    explicit PrintedLayers(QPDF& document);

    // Whether what /OC marks (a group or a membership) prints; anything
    // that is neither prints.
    bool prints(QPDFObjectHandle marking) const;

private:
    bool groupPrints(QPDFObjectHandle group) const;
    bool expressionPrints(QPDFObjectHandle expression, int depth) const;

    std::set<QPDFObjGen> off_;   // groups that do not print
};

}  // namespace posix::pdf
