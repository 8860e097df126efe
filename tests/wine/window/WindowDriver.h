#pragma once
// Reading and driving the product's window from the test process: the keyboard focus of
// its thread, key presses as the keyboard delivers them, control rectangles in the window's
// client coordinates.
#include <windows.h>

#include <string>
#include <vector>

#include "support/ProductProcess.h"

namespace wine_test {

inline constexpr wchar_t kDevicesKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
inline constexpr DWORD kStartTimeout = 20000;
inline constexpr DWORD kExitTimeout = 20000;

// Makes the test thread per-monitor DPI aware, so that it reads the product's window in
// physical pixels, as the product lays it out.
void ReadWindowsInPhysicalPixels();

// The control of the product's thread that has the keyboard focus, or null.
HWND FocusOf(HWND window);
// Waits until the focus of the window's thread is no longer `from`; returns the new focus.
HWND WaitForFocusChange(HWND window, HWND from, DWORD milliseconds);
// Waits until the window's thread has a focus at all; returns it.
HWND WaitForFocus(HWND window, DWORD milliseconds);

// Posts the key's press and release to the control, as the keyboard would.
void PressKey(HWND control, WORD virtualKey);

// The control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

// Every window the process showed while it ran, polled from now until it ends (or the time
// runs out); exitCode receives the exit code. False when it did not end in time.
bool WatchUntilExit(ProductProcess& product, DWORD milliseconds, std::vector<std::wstring>& shownWindows,
                    DWORD& exitCode);

}  // namespace wine_test
