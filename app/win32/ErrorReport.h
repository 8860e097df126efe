#pragma once
// The report of an error that nothing handles: a modal message naming the error, after
// which the program ends with exit code 1. It is shown in silent mode too, and recorded in
// the Application event log just before it is shown. A preview only writes its text to the
// standard error.
#include <windows.h>

namespace error_report {

inline constexpr wchar_t kTitle[] = L"Nettoyage des imprimantes";
inline constexpr int kStyle = MB_OK | MB_ICONERROR;

// Records and shows the report of the exception being handled; call it only inside a catch
// block.
// owner is the visible window the report is modal to, or null.
void ReportCurrentException(HWND owner) noexcept;

// From now on, reports go to the standard error only (when the parent gave one), with no box
// and no record: a preview leaves no trace, and runs where nobody could answer a box.
void ReportToStandardErrorOnly() noexcept;

}  // namespace error_report
