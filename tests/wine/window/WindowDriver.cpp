#include "WindowDriver.h"

#include <algorithm>

namespace wine_test {
namespace {
constexpr DWORD kPollMilliseconds = 10;
}  // namespace

void ReadWindowsInPhysicalPixels() { SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2); }

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

HWND WaitForFocusChange(HWND window, HWND from, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  HWND focus = FocusOf(window);
  while (focus == from && GetTickCount64() < deadline) {
    Sleep(kPollMilliseconds);
    focus = FocusOf(window);
  }
  return focus;
}

HWND WaitForFocus(HWND window, DWORD milliseconds) { return WaitForFocusChange(window, nullptr, milliseconds); }

void PressKey(HWND control, WORD virtualKey) {
  const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(control, WM_KEYDOWN, virtualKey, scanCode | 1);
  PostMessageW(control, WM_KEYUP, virtualKey, scanCode | 1 | (LPARAM{3} << 30));
}

RECT RectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool WatchUntilExit(ProductProcess& product, DWORD milliseconds, std::vector<std::wstring>& shownWindows,
                    DWORD& exitCode) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    for (HWND window : product.VisibleWindows()) {
      const std::wstring seen = ClassName(window) + L" « " + WindowText(window) + L" »";
      if (std::find(shownWindows.begin(), shownWindows.end(), seen) == shownWindows.end()) {
        shownWindows.push_back(seen);
      }
    }
    if (product.WaitForExit(0, exitCode)) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(1);
  }
}

}  // namespace wine_test
