#pragma once
// Printer and value names as Windows compares them, ignoring letter case: upper case by the
// invariant locale's table, one unit for one, the same for every user language (no Turkish
// dotless i turns two printers into one).
#include <windows.h>

#include <string>

#include "common/AppError.h"

namespace win32 {

inline std::wstring UpperCaseInvariant(const std::wstring& name, const wchar_t* whatIsCompared) {
  if (name.empty()) return name;
  std::wstring key(name.size(), L'\0');
  const int length = static_cast<int>(name.size());
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), length, key.data(), length, nullptr,
                    nullptr, 0) != length) {
    throw AppError(whatIsCompared, GetLastError());
  }
  return key;
}

}  // namespace win32
