// A document as the placing engine holds it: qpdf's reading of it, and
// poppler's, opened only when a page has to be drawn.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "posix/assembly/SourcePage.h"
#include "posix/drawing/PopplerDocuments.h"

namespace posix::pdf {

// One page, ready to go onto a device context.
class SourceDocument;

struct PreparedPage {
    SourceDocument* document = nullptr;   // outlives its pages
    int index = 0;
    double width = 0;             // as displayed, points
    double height = 0;
    // Set when the page can be placed as it is.
    std::optional<assembly::SourcePage> placeable;
    // Why the page is drawn instead, when it is.
    std::string drawReason;
    // poppler's page, when it is drawn.
    drawing::PopplerPagePtr drawable;
};

class SourceDocument {
public:
    // Null with error set (an FPDF_ERR_ code) when neither qpdf nor poppler
    // can read the file. A file qpdf reads only by repairing it must be
    // readable by poppler too, so that broken files fail as they always did.
    static std::unique_ptr<SourceDocument> open(const char* fileName, const char* password,
                                                unsigned long& error);

    int pageCount() const;
    // Null when the page can be neither placed nor drawn.
    std::unique_ptr<PreparedPage> preparePage(int index);
    // poppler's page of that index, for drawing; null when there is none.
    drawing::PopplerPagePtr drawablePage(int index);

private:
    SourceDocument() = default;
    void prepareForms();
    void checkPlaceable(PreparedPage& page);

    std::string fileName_;
    std::string password_;
    bool hasPassword_ = false;
    std::shared_ptr<QPDF> qpdf_;                 // null: every page is drawn
    std::vector<QPDFObjectHandle> pages_;
    std::string drawAllReason_;
    drawing::PopplerDocumentPtr poppler_;
    bool popplerTried_ = false;
    // Widgets of fields whose values qpdf cannot draw.
    std::set<QPDFObjGen> undrawableWidgets_;
    bool formsUnprepared_ = false;
};

}  // namespace posix::pdf
