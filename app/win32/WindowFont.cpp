#include "app/win32/WindowFont.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "common/win32/LastError.h"

namespace window_font {
namespace {

constexpr wchar_t kMeasuring[] = L"mesure de la police de la fenêtre";

win32::UniqueFont CreateFrom(const LOGFONTW& logFont) {
  win32::UniqueFont font(CreateFontIndirectW(&logFont));
  if (!font) win32::ThrowLastError(L"création de la police de la fenêtre");
  return font;
}

// How much the font must shrink for every caption to fit: 1 when all fit, otherwise the
// smallest ratio of room to need, across widths and the cell height.
double FitRatio(HFONT font, const std::vector<CaptionRoom>& captions) {
  const win32::ScreenDcWithFont screen(font);
  if (!screen) win32::ThrowLastError(kMeasuring);
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(screen.get(), &metrics)) win32::ThrowLastError(kMeasuring);
  double ratio = 1.0;
  for (const CaptionRoom& caption : captions) {
    SIZE extent{};
    if (!GetTextExtentPoint32W(screen.get(), caption.text, static_cast<int>(std::wcslen(caption.text)), &extent)) {
      win32::ThrowLastError(kMeasuring);
    }
    if (extent.cx > caption.width) ratio = std::min(ratio, static_cast<double>(caption.width) / extent.cx);
    if (metrics.tmHeight > caption.height) ratio = std::min(ratio, static_cast<double>(caption.height) / metrics.tmHeight);
  }
  return ratio;
}

}  // namespace

LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    win32::ThrowLastError(L"lecture de la police des messages du système");
  }
  return metrics.lfMessageFont;
}

win32::UniqueFont Create(UINT dpi, const std::vector<CaptionRoom>& captions) {
  LOGFONTW logFont = MessageFont(dpi);
  win32::UniqueFont font = CreateFrom(logFont);
  const double ratio = FitRatio(font.get(), captions);
  if (ratio >= 1.0) return font;

  // Scale the height by the shortfall, then step down while rounding leaves a caption a pixel
  // too large. A negative height is the characters' height, a positive one the cells'; the
  // sign is kept.
  const int sign = logFont.lfHeight < 0 ? -1 : 1;
  for (int height = static_cast<int>(std::abs(logFont.lfHeight) * ratio); height > 1; --height) {
    logFont.lfHeight = sign * height;
    logFont.lfWidth = 0;
    font = CreateFrom(logFont);
    if (FitRatio(font.get(), captions) >= 1.0) break;
  }
  return font;
}

}  // namespace window_font
