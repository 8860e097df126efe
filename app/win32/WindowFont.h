#pragma once
// The window's font: the system's message font at the window's DPI, as the user has chosen it,
// but never larger than the fixed layout holds.
#include <windows.h>

#include <vector>

#include "common/win32/Raii.h"

namespace window_font {

// A control's caption and the room it has there, in pixels.
struct CaptionRoom {
  const wchar_t* text;
  int width;
  int height;
};

// The message font at this DPI, made smaller when a caption would not fit its room whole
// (Windows' "Make text bigger" grows the font while the layout stays fixed).
win32::UniqueFont Create(UINT dpi, const std::vector<CaptionRoom>& captions);

// The message font's LOGFONT at this DPI, as the system gives it.
LOGFONTW MessageFont(UINT dpi);

}  // namespace window_font
