#pragma once
// The record in the Windows Application event log, under the source "Nettoyage des
// imprimantes". Each event carries the user's SID, so that Event Viewer shows whose Devices
// key it was. The sentences around the insertion strings are the program's own message table
// (EventMessages.mc): Event Viewer shows them once the source is registered with this .exe as
// its EventMessageFile, and the insertion strings alone before.
#include "app/EventLog.h"

class Win32EventLog final : public EventLog {
 public:
  static constexpr wchar_t kSourceName[] = L"Nettoyage des imprimantes";

  void Write(Event event, const std::vector<std::wstring>& insertionStrings) noexcept override;
};
