#pragma once
// The report of an error that nothing handles: a modal message naming the error, after
// which the program ends with a failure exit code. It is shown in silent mode too.
#include <windows.h>

namespace error_report {

inline constexpr wchar_t kTitle[] = L"Nettoyage des imprimantes";
inline constexpr int kStyle = MB_OK | MB_ICONERROR;
inline constexpr int kExitCode = 1;

// Shows the report of the exception being handled; call it only inside a catch block.
// owner is the visible window the report is modal to, or null.
void ReportCurrentException(HWND owner) noexcept;

}  // namespace error_report
