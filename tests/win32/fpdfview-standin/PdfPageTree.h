// Test stand-in for fpdfview.dll, not the real PDF engine: the list of pages
// of a PDF file, each with the size a viewer shows it at.
#pragma once

#include <string_view>
#include <vector>

namespace standin {

struct PageSize {
    double width = 0.0;   // points, after the page's own /Rotate
    double height = 0.0;
};

struct PageList {
    unsigned long error = 0;  // an FPDF_ERR_ code; 0 when pages is the document's
    std::vector<PageSize> pages;
    unsigned long permissions = 0xFFFFFFFF;  // what encryption grants; all bits without
};

// Reads the pages of the PDF file in bytes, in document order: /Root (or
// the /Type /Catalog object), /Pages, then the /Kids tree depth first, with
// /MediaBox and /Rotate inherited from the nodes above a page. Any structure
// it cannot follow gives FPDF_ERR_FORMAT; encryption that the empty user
// password does not open FPDF_ERR_PASSWORD.
PageList readPageList(std::string_view bytes);

}  // namespace standin
