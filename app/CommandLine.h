#pragma once
// The command line, as the program sees it: the argument text after the program's own path.
#include <string>

// The argument part of a full Windows command line (as GetCommandLineW gives it): the
// program path, quoted or not, and the blanks after it are removed; the rest is kept as is.
std::wstring ArgumentText(const std::wstring& fullCommandLine);

// Silent mode is selected only by the argument text "/s", exactly and case-sensitively.
bool IsSilentArgument(const std::wstring& argumentText);
