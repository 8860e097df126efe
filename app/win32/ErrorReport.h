#pragma once
// The report of an error that nothing handles, after which the program ends with exit code 1.
// Where it goes depends on the run's mode: in the window and with "/s", it is recorded in the
// Application event log and then shown in a modal box, which waits to be dismissed; with "/q"
// it is recorded and written to the standard error, and never shown; a preview ("/l") only
// writes it to the standard error.
#include <windows.h>

#include "app/CommandLine.h"
#include "common/AppError.h"

namespace error_report {

inline constexpr wchar_t kTitle[] = L"Nettoyage des imprimantes";
inline constexpr int kStyle = MB_OK | MB_ICONERROR;

// Sets where reports go for this run's mode. Called once at start-up, before anything can fail;
// until then, reports go where the window's go.
void ReportAsIn(StartMode mode) noexcept;

// Reports the exception being handled; call it only inside a catch block.
// owner is the visible window the box is modal to, or null.
void ReportCurrentException(HWND owner) noexcept;

// Reports this error; from any thread.
void Report(const AppError& error, HWND owner) noexcept;

}  // namespace error_report
