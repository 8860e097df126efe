#include "limits/LimitsSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <unordered_set>

namespace limits_test {

void SeedDevices(const std::vector<DeviceValue>& values) {
  HKEY key = nullptr;
  const LSTATUS opened = RegCreateKeyExW(HKEY_CURRENT_USER, kDevicesPath, 0, nullptr, 0, KEY_SET_VALUE,
                                         nullptr, &key, nullptr);
  ASSERT_EQ(opened, ERROR_SUCCESS) << "cannot open the Devices key for writing";
  for (const DeviceValue& value : values) {
    const LSTATUS status =
        RegSetValueExW(key, value.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data.c_str()),
                       static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
      RegCloseKey(key);
      FAIL() << "cannot seed a value of " << value.name.size() << " characters, status " << status;
    }
  }
  RegCloseKey(key);
}

std::optional<std::wstring> DeviceData(const std::wstring& name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kDevicesPath, name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                   &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, kDevicesPath, name.c_str(), RRF_RT_REG_SZ, nullptr, data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(wcsnlen(data.c_str(), data.size()));
  return data;
}

std::wstring NumberedDevice(int number) {
  wchar_t name[32];
  std::swprintf(name, 32, L"Imprimante %05d", number);
  return name;
}

std::wstring PortOf(int number) { return L"winspool,Ne" + std::to_wstring(number) + L":"; }

std::vector<std::wstring> Without(const std::vector<std::wstring>& names, const std::vector<std::wstring>& removed) {
  const std::unordered_set<std::wstring> gone(removed.begin(), removed.end());
  std::vector<std::wstring> kept;
  for (const std::wstring& name : names) {
    if (!gone.contains(name)) kept.push_back(name);
  }
  return kept;
}

std::vector<std::wstring> LongListBoxItems(HWND listBox) {
  std::vector<std::wstring> items;
  const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  if (count == LB_ERR) return items;
  items.reserve(static_cast<std::size_t>(count));
  std::vector<wchar_t> buffer(32768);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT copied = SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(i),
                                        reinterpret_cast<LPARAM>(buffer.data()));
    items.emplace_back(buffer.data(), copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
  }
  return items;
}

StartUpOutcome WaitForStartUp(wine_test::ProductProcess& process, DWORD milliseconds) {
  StartUpOutcome outcome;
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    for (HWND window : process.VisibleWindows()) {
      if (wine_test::ClassName(window) == L"#32770") {
        outcome.dialog = window;
        return outcome;
      }
    }
    outcome.window = process.WaitForWindow(wine_test::kMainWindowCaption, 0);
    if (outcome.window != nullptr) return outcome;
    if (process.WaitForExit(0, outcome.exitCode)) {
      outcome.ended = true;
      return outcome;
    }
    if (GetTickCount64() >= deadline) return outcome;
    Sleep(50);
  }
}

std::string Describe(const StartUpOutcome& outcome) {
  if (outcome.dialog != nullptr) {
    return "a dialog: " + testing::PrintToString(wine_test::MessageBoxText(outcome.dialog));
  }
  if (outcome.window != nullptr) return "the main window";
  if (outcome.ended) return "the end of the program, code " + std::to_string(outcome.exitCode);
  return "nothing";
}

HWND WaitForMainWindow(wine_test::ProductProcess& process, DWORD milliseconds) {
  const StartUpOutcome outcome = WaitForStartUp(process, milliseconds);
  if (outcome.window == nullptr) ADD_FAILURE() << "start-up showed no window but came to " << Describe(outcome);
  return outcome.window;
}

double Milliseconds() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace limits_test
