#pragma once
// Whether a message box can show a text whole on the screen. Windows and Wine grow a message
// box with its text and never shrink it to the screen: a text too tall puts the box's buttons
// out of reach.
#include <windows.h>

#include <string>

// Whether a message box of this text and style, owned by `owner`, fits in the work area of
// the monitor that holds the owner. Measured with the message font at the owner's DPI; the
// box's own frame, margins, icon and buttons are counted generously, so that a text judged to
// fit fits on Windows as on Wine.
bool MessageBoxFitsOnScreen(HWND owner, const std::wstring& text, UINT style);
