#include "app/win32/StandardStreams.h"

#include <climits>

namespace standard_streams {

bool Write(DWORD which, const std::wstring& text) noexcept {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  if (text.empty()) return true;
  if (text.size() > INT_MAX) return false;
  try {
    const int wideLength = static_cast<int>(text.size());
    // No best fit: it would write a name the code page lacks as another, real one ("ＨＰ
    // LaserJet" as "HP LaserJet"), so a stale name could read as a live printer's. A missing
    // character becomes '?'. A UTF-8 OEM code page lacks none and refuses the flag.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int length = WideCharToMultiByte(CP_OEMCP, flags, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
      flags = 0;
      length = WideCharToMultiByte(CP_OEMCP, flags, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    }
    if (length <= 0) return false;
    std::string oem(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_OEMCP, flags, text.data(), wideLength, oem.data(), length, nullptr, nullptr);
    // One write for the whole text; a pipe may take less at a time.
    for (std::size_t written = 0; written < oem.size();) {
      DWORD now = 0;
      if (!WriteFile(handle, oem.data() + written, static_cast<DWORD>(oem.size() - written), &now, nullptr) ||
          now == 0) {
        return false;
      }
      written += now;
    }
    return true;
  } catch (...) {
    return false;  // no memory for the converted text
  }
}

}  // namespace standard_streams

void Win32StandardOutput::WriteLines(const std::vector<std::wstring>& lines) noexcept {
  try {
    std::wstring text;
    for (const std::wstring& line : lines) text.append(line).append(L"\r\n");
    standard_streams::Write(STD_OUTPUT_HANDLE, text);
  } catch (...) {
    // No memory for the listing: the exit code still tells.
  }
}
