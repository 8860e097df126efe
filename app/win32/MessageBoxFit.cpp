#include "app/win32/MessageBoxFit.h"

#include "app/win32/WindowFont.h"
#include "common/win32/LastError.h"
#include "common/win32/Raii.h"

namespace {

// What a box takes besides its text, in pixels at 96 DPI, rounded up from what Windows 10
// draws (about 100 pixels of margins and button row under the caption) and well above Wine's
// (about 50).
constexpr int kMarginsAndButtonsHeight = 120;
constexpr int kMarginsWidth = 60;
constexpr int kIconColumnWidth = 60;
constexpr int kWrapDialogUnits = 176;
// Measures a font's average character width, as dialog units are defined.
constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr wchar_t kMeasuring[] = L"mesure du message à afficher";

}  // namespace

bool MessageBoxFitsOnScreen(HWND owner, const std::wstring& text, UINT style) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) win32::ThrowLastError(kMeasuring);
  const int workWidth = monitor.rcWork.right - monitor.rcWork.left;
  const int workHeight = monitor.rcWork.bottom - monitor.rcWork.top;
  const UINT dpi = owner ? GetDpiForWindow(owner) : GetDpiForSystem();
  const auto pixels = [dpi](int at96) { return MulDiv(at96, static_cast<int>(dpi), 96); };

  const LOGFONTW logFont = window_font::MessageFont(dpi);
  const win32::UniqueFont font(CreateFontIndirectW(&logFont));
  if (!font) win32::ThrowLastError(kMeasuring);
  const win32::ScreenDcWithFont screen(font.get());
  if (!screen) win32::ThrowLastError(kMeasuring);
  // Lines are wrapped where Wine's message box wraps them, at 176 dialog units of its font;
  // Windows' wraps them wider. A text judged by narrower lines is judged taller, never
  // shorter, than it is shown.
  SIZE alphabet{};
  GetTextExtentPoint32W(screen.get(), kAlphabet, 52, &alphabet);
  const int averageCharWidth = (alphabet.cx / 26 + 1) / 2;
  RECT textRect{0, 0, MulDiv(kWrapDialogUnits, averageCharWidth, 4), 0};
  const int measured = DrawTextW(screen.get(), text.data(), static_cast<int>(text.size()), &textRect,
                                 DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  if (measured == 0 && !text.empty()) win32::ThrowLastError(kMeasuring);

  const int frame = GetSystemMetricsForDpi(SM_CXFIXEDFRAME, dpi) + GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi);
  const int boxHeight = textRect.bottom + GetSystemMetricsForDpi(SM_CYCAPTION, dpi) + 2 * frame +
                        pixels(kMarginsAndButtonsHeight);
  const int iconWidth = (style & MB_ICONMASK) != 0 ? pixels(kIconColumnWidth) : 0;
  const int boxWidth = textRect.right + 2 * frame + pixels(kMarginsWidth) + iconWidth;
  return boxHeight <= workHeight && boxWidth <= workWidth;
}
