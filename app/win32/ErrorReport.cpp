#include "app/win32/ErrorReport.h"

#include <new>
#include <string>

#include "app/win32/StandardStreams.h"
#include "app/win32/Win32EventLog.h"
#include "common/AppError.h"

namespace error_report {
namespace {

bool standardErrorOnly = false;  // set once at start-up, before anything can fail

std::wstring ReportTextOfCurrentException() {
  try {
    throw;
  } catch (const AppError& error) {
    return error.ReportText();
  } catch (const std::bad_alloc&) {
    return AppError(L"mémoire insuffisante", ERROR_NOT_ENOUGH_MEMORY).ReportText();
  } catch (...) {
    return AppError(L"erreur inattendue", E_UNEXPECTED).ReportText();
  }
}

}  // namespace

void ReportCurrentException(HWND owner) noexcept {
  std::wstring text;
  try {
    text = ReportTextOfCurrentException();
  } catch (...) {
    // Building the text failed (out of memory): the report still names an error.
  }
  const wchar_t* shown = text.empty() ? L"Erreur d'exécution" : text.c_str();
  if (standardErrorOnly) {
    try {
      standard_streams::Write(STD_ERROR_HANDLE, std::wstring(shown) + L"\r\n");
    } catch (...) {
      // No memory for the line: the exit code still tells.
    }
    return;
  }
  // Recorded first: in a silent run the box may sit on a desktop nobody sees.
  try {
    Win32EventLog().Write(EventLog::Event::Error, {shown});
  } catch (...) {
    // No memory for the record's one string: the box is shown all the same.
  }
  MessageBoxW(owner, shown, kTitle, kStyle);
}

void ReportToStandardErrorOnly() noexcept { standardErrorOnly = true; }

}  // namespace error_report
