#pragma once
// What the limit and name tests share: filling the Devices key quickly, reading back what
// the program left there (data included), and reading the program's window.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/ProductProcess.h"

namespace limits_test {

inline constexpr wchar_t kDevicesPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";

struct DeviceValue {
  std::wstring name;
  std::wstring data;  // stored as REG_SZ
};

// Writes the values under the Devices key through one open handle: one wineserver round
// trip per value instead of an open, set and close each.
void SeedDevices(const std::vector<DeviceValue>& values);

// The REG_SZ data of a value of the Devices key; nothing when the value is missing or of
// another type.
std::optional<std::wstring> DeviceData(const std::wstring& name);

// "Imprimante 00042": numbered names whose order by name is their numeric order.
std::wstring NumberedDevice(int number);
// "winspool,Ne42:": a port text that differs for every device.
std::wstring PortOf(int number);

// The names of the list that do not occur in the other, in the list's order.
std::vector<std::wstring> Without(const std::vector<std::wstring>& names,
                                  const std::vector<std::wstring>& removed);

// The entries of a list box of the program's window. One LB_GETTEXT each, into a buffer
// larger than any registry value name, without LB_GETTEXTLEN: each message to another
// process is a wineserver round trip, and a full list has 32767 entries.
std::vector<std::wstring> LongListBoxItems(HWND listBox);

// What start-up came to: the main window shown, a dialog shown (the error report), or the
// end of the process; all empty when nothing came within the time.
struct StartUpOutcome {
  HWND window = nullptr;
  HWND dialog = nullptr;
  bool ended = false;
  DWORD exitCode = 0;
};
StartUpOutcome WaitForStartUp(wine_test::ProductProcess& process, DWORD milliseconds);
std::string Describe(const StartUpOutcome& outcome);

// The program's main window once shown; null, with a failure naming what came instead, as
// soon as the process shows a dialog or ends, or after the time.
HWND WaitForMainWindow(wine_test::ProductProcess& process, DWORD milliseconds);

// Milliseconds since an arbitrary start, for reporting how long a step took.
double Milliseconds();

}  // namespace limits_test
