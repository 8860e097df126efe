#include "app/win32/ErrorReport.h"

#include <new>
#include <string>

#include "app/win32/StandardStreams.h"
#include "app/win32/Win32EventLog.h"

namespace error_report {
namespace {

struct Destinations {
  bool record = true;          // event 3 in the Application event log
  bool standardError = false;  // when the parent gave one
  bool box = true;
};
Destinations destinations;  // set once at start-up, before anything can fail

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

void ReportText(const std::wstring& text, HWND owner) noexcept {
  // Building the text failed (out of memory): the report still names an error.
  const wchar_t* shown = text.empty() ? L"Erreur d'exécution" : text.c_str();
  // Recorded first: in a silent run the box may sit on a desktop nobody sees.
  if (destinations.record) {
    try {
      Win32EventLog().Write(EventLog::Event::Error, {shown});
    } catch (...) {
      // No memory for the record's one string: the report goes on all the same.
    }
  }
  if (destinations.standardError) {
    try {
      standard_streams::Write(STD_ERROR_HANDLE, std::wstring(shown) + L"\r\n");
    } catch (...) {
      // No memory for the line: the exit code still tells.
    }
  }
  if (destinations.box) MessageBoxW(owner, shown, kTitle, kStyle);
}

}  // namespace

void ReportAsIn(StartMode mode) noexcept {
  switch (mode) {
    case StartMode::Interactive:
    case StartMode::Silent: destinations = {true, false, true}; break;
    case StartMode::Quiet: destinations = {true, true, false}; break;
    case StartMode::Preview: destinations = {false, true, false}; break;
  }
}

void ReportCurrentException(HWND owner) noexcept {
  std::wstring text;
  try {
    text = ReportTextOfCurrentException();
  } catch (...) {
  }
  ReportText(text, owner);
}

void Report(const AppError& error, HWND owner) noexcept {
  std::wstring text;
  try {
    text = error.ReportText();
  } catch (...) {
  }
  ReportText(text, owner);
}

}  // namespace error_report
