// Telling the user: a modal, topmost message box.
#pragma once

#include "plat/WinApi.h"

extern const char* const applicationTitle;

// Returns the identifier of the button pressed, or 0 when no box could be shown.
int showMessage(HWND owner, const char* text, UINT type, const char* caption);
