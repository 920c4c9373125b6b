#include "posix/drawing/FormText.h"

#include <cmath>
#include <memory>
#include <vector>

#include "posix/drawing/PageDrawing.h"
#include "posix/drawing/PopplerDocuments.h"

namespace posix::drawing {

namespace {

struct GListFree {
    void (*release)(GList*);
    void operator()(GList* list) const { release(list); }
};
using FieldMappings = std::unique_ptr<GList, GListFree>;

FieldMappings fieldMappings(PopplerPage* page) {
    return FieldMappings(poppler_page_get_form_field_mapping(page), {poppler_page_free_form_field_mapping});
}

bool sameArea(const PopplerRectangle& a, const PopplerRectangle& b) {
    constexpr double kNear = 0.01;
    return std::fabs(a.x1 - b.x1) < kNear && std::fabs(a.y1 - b.y1) < kNear && std::fabs(a.x2 - b.x2) < kNear &&
           std::fabs(a.y2 - b.y2) < kNear;
}

// The areas of the page's widgets that print.
std::vector<PopplerRectangle> printedWidgets(PopplerPage* page) {
    std::vector<PopplerRectangle> areas;
    GList* annotations = poppler_page_get_annot_mapping(page);
    for (GList* item = annotations; item; item = item->next) {
        auto* mapping = static_cast<PopplerAnnotMapping*>(item->data);
        if (poppler_annot_get_annot_type(mapping->annot) != POPPLER_ANNOT_WIDGET) continue;
        const PopplerAnnotFlag flags = poppler_annot_get_flags(mapping->annot);
        if ((flags & POPPLER_ANNOT_FLAG_PRINT) && !(flags & (POPPLER_ANNOT_FLAG_HIDDEN | POPPLER_ANNOT_FLAG_INVISIBLE)))
            areas.push_back(mapping->area);
    }
    poppler_page_free_annot_mapping(annotations);
    return areas;
}

bool beyondAscii(const char* text) {
    for (const char* c = text; *c; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x80) return true;
    }
    return false;
}

// Calls each(field, value) for the page's printed text fields whose values
// go beyond ASCII.
template <typename Each>
void forWideTextFields(PopplerPage* page, Each each) {
    const std::vector<PopplerRectangle> printed = printedWidgets(page);
    const FieldMappings mappings = fieldMappings(page);
    for (GList* item = mappings.get(); item; item = item->next) {
        auto* mapping = static_cast<PopplerFormFieldMapping*>(item->data);
        PopplerFormField* field = mapping->field;
        if (poppler_form_field_get_field_type(field) != POPPLER_FORM_FIELD_TEXT ||
            poppler_form_field_text_is_password(field))
            continue;
        bool shown = false;
        for (const PopplerRectangle& area : printed) shown = shown || sameArea(area, mapping->area);
        if (!shown) continue;
        std::unique_ptr<gchar, decltype(&g_free)> value(poppler_form_field_text_get_text(field), g_free);
        if (value && beyondAscii(value.get())) each(field, value.get());
    }
}

std::string withoutBlanks(const std::string& text) {
    std::string kept;
    for (char c : text) {
        if (!g_ascii_isspace(c)) kept += c;
    }
    return kept;
}

// The values (UTF-8) of the page's printed text fields that go beyond
// ASCII, as many characters of each as its field holds.
std::vector<std::string> wideFormValues(PopplerPage* page) {
    std::vector<std::string> values;
    forWideTextFields(page, [&](PopplerFormField* field, const char* value) {
        // A field that holds fewer characters shows only those.
        std::string shown = value;
        const gint most = poppler_form_field_text_get_max_len(field);
        if (most > 0 && g_utf8_strlen(value, -1) > most)
            shown.resize(static_cast<size_t>(g_utf8_offset_to_pointer(value, most) - value));
        values.push_back(shown);
    });
    return values;
}

void refillWideFormValues(PopplerPage* page) {
    forWideTextFields(page, [](PopplerFormField* field, const char* value) {
        const std::string again = value;
        poppler_form_field_text_set_text(field, again.c_str());
    });
}

// The first of the values the drawn page does not show, blanks aside.
std::string valueNotShown(const std::string& drawnPdf, const std::vector<std::string>& values) {
    std::unique_ptr<GBytes, decltype(&g_bytes_unref)> bytes(g_bytes_new(drawnPdf.data(), drawnPdf.size()),
                                                            g_bytes_unref);
    PopplerDocumentPtr drawn(poppler_document_new_from_bytes(bytes.get(), nullptr, nullptr));
    PopplerPagePtr page(drawn ? poppler_document_get_page(drawn.get(), 0) : nullptr);
    std::unique_ptr<gchar, decltype(&g_free)> text(page ? poppler_page_get_text(page.get()) : nullptr, g_free);
    const std::string shown = withoutBlanks(text ? text.get() : "");
    for (const std::string& value : values) {
        if (shown.find(withoutBlanks(value)) == std::string::npos) return value;
    }
    return {};
}

}  // namespace

std::string drawFormValues(PopplerPage* page, bool appearancesFromValues, std::string& drawn) {
    drawn.clear();
    const std::vector<std::string> values = wideFormValues(page);
    if (values.empty()) return {};
    if (appearancesFromValues) refillWideFormValues(page);
    drawn = drawPageAsPdf(page);
    if (drawn.empty()) return "it could not be drawn";
    const std::string lost = valueNotShown(drawn, values);
    if (lost.empty()) return {};
    return "the form value \"" + lost + "\" has characters no font here can draw";
}

}  // namespace posix::drawing
