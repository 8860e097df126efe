#pragma once
// What the window system does for the program's logic: the Win32 window in the product,
// a recording stand-in in the unit tests.
#include <string>

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // A modal message box; style is the Windows message-box flags (MB_YESNO | MB_ICONEXCLAMATION
  // is 52). Returns the number of the button pressed (IDYES is 6).
  virtual int MsgBox(const std::wstring& text, const std::wstring& title, int style) = 0;

  // Whether a message box of this text and style, with its frame, icon and buttons, lies
  // wholly in the work area of the screen that holds the window.
  virtual bool MsgBoxFitsOnScreen(const std::wstring& text, int style) = 0;

  // Unloads the one window; the program ends once it is gone.
  virtual void Unload() = 0;

  // Ends the program at once, without returning to the event loop.
  virtual void End() = 0;

  // The exit code the program ends with, by Unload or End (see app/ExitCodes.h). It is 0
  // until set; an error report ends the program with 1 unless a code was set before it.
  virtual void SetExitCode(int exitCode) = 0;
};
