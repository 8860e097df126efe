#include "app/CommandLine.h"

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::wstring ArgumentText(const std::wstring& fullCommandLine) {
  std::size_t pos = 0;
  const std::size_t end = fullCommandLine.size();
  // The program path follows Windows' own rule for the first token: a quoted path ends at
  // the closing quote; an unquoted one ends at the first blank.
  if (pos < end && fullCommandLine[pos] == L'"') {
    ++pos;
    while (pos < end && fullCommandLine[pos] != L'"') ++pos;
    if (pos < end) ++pos;  // the closing quote
  } else {
    while (pos < end && !IsBlank(fullCommandLine[pos])) ++pos;
  }
  while (pos < end && IsBlank(fullCommandLine[pos])) ++pos;
  return fullCommandLine.substr(pos);
}

bool IsSilentArgument(const std::wstring& argumentText) { return argumentText == L"/s"; }
