// The modal notice that tells the user about a failed run.
#include "app/Notice.h"

#include "plat/Strings.h"
#include "plat/TextBuffer.h"

const char* const applicationTitle = "Quorlex";

namespace {

// The caption word for the icon bits of a message-box type.
const char* iconWord(UINT type) {
    switch (type & 0x70u) {
    case MB_ICONERROR: return "Error: ";
    case MB_ICONQUESTION: return "Question: ";
    case MB_ICONWARNING: return "Warning: ";
    case MB_ICONINFORMATION: return "Information: ";
    default: return "";
    }
}

}  // namespace

int showMessage(HWND owner, const char* text, UINT type, const char* caption) {
    plat::TextBuffer fullCaption;
    fullCaption.appendFormat("%s: ", applicationTitle);
    fullCaption.append(iconWord(type));
    if (caption != nullptr) fullCaption.append(caption);

    plat::WideChars wideCaption(fullCaption.data);
    plat::WideChars wideText(text);
    return showNoticeBox(owner, wideText, wideCaption, type | MB_SETFOREGROUND | MB_TOPMOST);
}
