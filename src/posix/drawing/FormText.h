// Form values drawn by poppler: poppler draws a text field's value in the
// font its appearance names, and a character that font lacks (Cyrillic in
// a form whose fields name Arial) is left out unless the document's form
// has a font for it. A value set through poppler makes poppler find such a
// font on the system and add it to the form first. A character no font has,
// or one poppler drew without a font, means the value did not reach the
// paper.
#pragma once

#include <poppler.h>

#include <string>

namespace posix::drawing {

// When the page has printed text fields whose values go beyond ASCII:
// sets those values again when the form's appearances are made from the
// values (NeedAppearances; setting a value remakes its field's appearance)
// and draws the page into a one-page PDF (drawn). Why a value does not
// reach the drawing, or empty; drawn stays empty for a page without such
// values. Values too long to draw in reasonable time, and characters no
// font has, are told without drawing.
std::string drawFormValues(PopplerPage* page, bool appearancesFromValues, std::string& drawn);

}  // namespace posix::drawing
