// The modal message dialog: the text in the system's message font, wrapped at
// word boundaries to at most half the screen width, one "OK" button that is
// both default and cancel, no icon, centred on the screen. The owner is
// disabled while the message loop runs inside the dialog.
#pragma once

#include <string>

#include <windows.h>

// Returns when the user has closed the dialog; at once when the end of the
// program has already been requested.
void ShowMessageDialog(HWND owner, const std::string& caption, const std::string& text);
