#include "posix/drawing/FormText.h"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
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

// Poppler looks a font up on the system for every character of a value
// that its field's font lacks, at every drawing: a few milliseconds each,
// tens when no font has it. Longer values than this, all of a page's
// together, are not handed to it, so that no form holds a run for minutes.
constexpr size_t kMostCharactersDrawn = 300;

// What the page's printed text fields beyond ASCII hold: their length in
// characters, all together, and the characters beyond ASCII.
struct WideValues {
    bool any = false;
    size_t characters = 0;
    std::set<gunichar> wide;
};

WideValues wideFormValues(PopplerPage* page) {
    WideValues values;
    forWideTextFields(page, [&](PopplerFormField*, const char* value) {
        values.any = true;
        if (!g_utf8_validate(value, -1, nullptr)) return;
        for (const char* c = value; *c; c = g_utf8_next_char(c)) {
            ++values.characters;
            const gunichar character = g_utf8_get_char(c);
            if (character >= 0x80) values.wide.insert(character);
        }
    });
    return values;
}

// Every character some font of the system has, asked of fontconfig once:
// it knows every font's characters without opening it, where poppler
// would search the fonts again for every time a character stands in a
// value.
const FcCharSet* charactersOfAllFonts() {
    static const std::unique_ptr<FcCharSet, decltype(&FcCharSetDestroy)> all = [] {
        std::unique_ptr<FcCharSet, decltype(&FcCharSetDestroy)> characters(FcCharSetCreate(), FcCharSetDestroy);
        std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> any(FcPatternCreate(), FcPatternDestroy);
        std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> charsets(FcObjectSetBuild(FC_CHARSET, nullptr),
                                                                             FcObjectSetDestroy);
        std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
            FcFontList(nullptr, any.get(), charsets.get()), FcFontSetDestroy);
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcCharSet* has = nullptr;
            if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &has) == FcResultMatch)
                FcCharSetMerge(characters.get(), has, nullptr);
        }
        return characters;
    }();
    return all.get();
}

// The first of the characters that no font of the system has ("U+A000"),
// or empty.
std::string characterNoFontHas(const std::set<gunichar>& characters) {
    for (gunichar character : characters) {
        if (FcCharSetHasChar(charactersOfAllFonts(), character)) continue;
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(character));
        return name;
    }
    return {};
}

void refillWideFormValues(PopplerPage* page) {
    forWideTextFields(page,
                      [](PopplerFormField* field, const char* value) { poppler_form_field_text_set_text(field, value); });
}

std::string noFontFor(const std::string& character) {
    return "a form value has a character no font here has (" + character + ")";
}

}  // namespace

std::string drawFormValues(PopplerPage* page, bool appearancesFromValues, std::string& drawn) {
    drawn.clear();
    const WideValues values = wideFormValues(page);
    if (!values.any) return {};
    if (values.characters > kMostCharactersDrawn)
        return "its form values beyond ASCII are too long to draw (" + std::to_string(values.characters) +
               " characters; at most " + std::to_string(kMostCharactersDrawn) + ")";
    const std::string noFont = characterNoFontHas(values.wide);
    if (!noFont.empty()) return noFontFor(noFont);
    if (appearancesFromValues) refillWideFormValues(page);
    MissingFontWatch watch;
    drawn = drawPageAsPdf(page);
    if (drawn.empty()) return "it could not be drawn";
    if (watch.missing().empty()) return {};
    return noFontFor(watch.missing());
}

}  // namespace posix::drawing
