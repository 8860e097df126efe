#include "app/CommandLine.h"

#include <string_view>

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

StartMode StartModeOf(const std::wstring& argumentText) {
  std::size_t length = argumentText.size();
  while (length > 0 && IsBlank(argumentText[length - 1])) --length;
  const std::wstring_view argument(argumentText.data(), length);
  if (argument == L"/s") return StartMode::Silent;
  if (argument == L"/q") return StartMode::Quiet;
  if (argument == L"/l") return StartMode::Preview;
  return StartMode::Interactive;
}
