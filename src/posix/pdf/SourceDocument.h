// A document as the placing engine holds it: qpdf's reading of it, and
// the drawing helper's, started only when a page has to be drawn.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "posix/assembly/SourcePage.h"
#include "posix/confined/ConfinedDrawing.h"
#include "posix/pdf/PrintedLayers.h"

namespace posix::pdf {

class SourceDocument;

// One page, ready to go onto a device context.
struct PreparedPage {
    SourceDocument* document = nullptr;   // outlives its pages
    int index = 0;
    double width = 0;             // as displayed, points
    double height = 0;
    // Set when the page can be placed as it is.
    std::optional<assembly::SourcePage> placeable;
    // Why the page is drawn instead, when it is.
    std::string drawReason;
    // The page to draw, when it is drawn.
    std::unique_ptr<confined::ConfinedPage> drawable;
};

class SourceDocument {
public:
    // Null with error set (a kPdf...Error code) when neither qpdf nor the
    // drawing plugin can read the file. A file qpdf reads only by repairing
    // it (its page tree included) must be readable by the drawing plugin
    // too, so that broken files fail as they always did, and is drawn
    // whole when the plugin finds more pages in it.
    static std::unique_ptr<SourceDocument> open(const char* fileName, const char* password,
                                                unsigned long& error);

    int pageCount() const;
    // Null when the page can be neither placed nor drawn.
    std::unique_ptr<PreparedPage> preparePage(int index);
    // The page of that index for drawing; null when there is none, or
    // when the helper could not be asked (drawingFailure() says why).
    std::unique_ptr<confined::ConfinedPage> drawablePage(int index);
    const std::string& drawingFailure() const;
    // The document's permission bits (bit 3, value 4: printing), all set
    // for a document without encryption.
    unsigned long permissions() const;
    // The pages the job will load, in order. Where every one of them needs
    // drawing (for what its annotations and forms hold, or because only
    // drawing reads the document), they are drawn together, so that what
    // they share (fonts above all) is written once.
    void willLoad(const std::vector<int>& pages);
    // Logs (level 100) what qpdf has warned of since the last call.
    void logWarnings();

private:
    SourceDocument() = default;
    void readWithQpdf(unsigned long& qpdfError);
    void prepareForms();
    void openDrawable(unsigned long& error);
    void checkPlaceable(PreparedPage& page);
    bool everyPageDrawn(const std::vector<int>& pages);
    // Why the printable annotations of the page need drawing, or empty;
    // those drawn from their appearances go into placed (when given).
    std::string annotationsToPlace(QPDFObjectHandle page, std::vector<QPDFObjectHandle>* placed);

    std::string fileName_;
    std::string password_;
    bool hasPassword_ = false;
    std::shared_ptr<QPDF> qpdf_;                 // null: every page is drawn
    std::vector<QPDFObjectHandle> pages_;
    std::string drawAllReason_;
    std::unique_ptr<confined::ConfinedDocument> drawable_;
    bool drawableTried_ = false;
    // Why nothing of the document can be drawn (the plugin cannot be
    // loaded, its forms would hang poppler, the helper could not read it
    // within its budget), or empty.
    std::string drawingUnavailable_;
    // Widgets of fields whose values qpdf cannot draw, and why.
    std::map<QPDFObjGen, const char*> undrawableWidgets_;
    PrintedLayers printedLayers_;
    bool formsUnprepared_ = false;
    std::vector<int> drawnTogether_;       // pages the helper draws together
    bool appearancesFromValues_ = false;   // as the document says (qpdf's appearances change it)
    bool readWithoutRepairs_ = false;      // qpdf and drawing read the same document
    // A field's value beyond ASCII takes the form's default appearance:
    // drawing reads a copy that gives the field its own.
    bool wideValueTakesFormAppearance_ = false;
    assembly::ContentChecks contentChecks_;
    int warningsLogged_ = 0;
};

}  // namespace posix::pdf
