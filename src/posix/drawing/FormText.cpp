#include "posix/drawing/FormText.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "posix/drawing/PageDrawing.h"

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

// Listens to poppler while it draws, for characters of form values it
// found no font for (it leaves them out, and says so only as a message).
class MissingFontWatch {
public:
    MissingFontWatch() : handler_(g_log_set_handler("Poppler", G_LOG_LEVEL_MASK, note, this)) {}
    ~MissingFontWatch() { g_log_remove_handler("Poppler", handler_); }
    MissingFontWatch(const MissingFontWatch&) = delete;
    MissingFontWatch& operator=(const MissingFontWatch&) = delete;

    // The first character left out ("U+041F"), or empty.
    const std::string& missing() const { return missing_; }

private:
    static void note(const gchar*, GLogLevelFlags, const gchar* message, gpointer self) {
        static const char kNoFont[] = "couldn't find a font for character ";
        auto* watch = static_cast<MissingFontWatch*>(self);
        const char* found = message ? std::strstr(message, kNoFont) : nullptr;
        if (found && watch->missing_.empty()) watch->missing_ = found + sizeof kNoFont - 1;
    }

    guint handler_;
    std::string missing_;
};

bool hasWideFormValues(PopplerPage* page) {
    bool wide = false;
    forWideTextFields(page, [&](PopplerFormField*, const char*) { wide = true; });
    return wide;
}

void refillWideFormValues(PopplerPage* page) {
    forWideTextFields(page, [](PopplerFormField* field, const char* value) {
        const std::string again = value;
        poppler_form_field_text_set_text(field, again.c_str());
    });
}

}  // namespace

std::string drawFormValues(PopplerPage* page, bool appearancesFromValues, std::string& drawn) {
    drawn.clear();
    if (!hasWideFormValues(page)) return {};
    if (appearancesFromValues) refillWideFormValues(page);
    MissingFontWatch watch;
    drawn = drawPageAsPdf(page);
    if (drawn.empty()) return "it could not be drawn";
    if (watch.missing().empty()) return {};
    return "a form value has a character no font here has (" + watch.missing() + ")";
}

}  // namespace posix::drawing
