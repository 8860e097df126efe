#include "app/win32/Win32EventLog.h"

#include <windows.h>

#include "common/win32/Raii.h"

namespace {

WORD EventType(EventLog::Event event) {
  switch (event) {
    case EventLog::Event::Deleted: return EVENTLOG_INFORMATION_TYPE;
    case EventLog::Event::NotDeleted: return EVENTLOG_WARNING_TYPE;
    case EventLog::Event::Error: return EVENTLOG_ERROR_TYPE;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

// The TOKEN_USER of this process, whose SID is the user's; empty when it cannot be read, and
// the event then goes without it.
std::vector<BYTE> ProcessUser() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
  const win32::UniqueKernelHandle token(opened);
  DWORD size = 0;
  GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  if (size == 0 || !GetTokenInformation(token.get(), ::TokenUser, user.data(), size, &size)) return {};
  return user;
}

}  // namespace

void Win32EventLog::Write(Event event, const std::vector<std::wstring>& insertionStrings) noexcept {
  try {
    const win32::UniqueEventSource source(RegisterEventSourceW(nullptr, kSourceName));
    if (!source) return;
    const std::vector<BYTE> user = ProcessUser();
    const PSID sid = user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    std::vector<const wchar_t*> strings;
    for (const std::wstring& text : insertionStrings) strings.push_back(text.c_str());
    ReportEventW(source.get(), EventType(event), 0, static_cast<DWORD>(event), sid, static_cast<WORD>(strings.size()),
                 0, strings.data(), nullptr);
  } catch (...) {
    // Out of memory while preparing the event: the run goes on without its record.
  }
}
