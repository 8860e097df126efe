#include "support/WmiDouble.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>

#include "tests/wmi_double/Utf8.h"

namespace wine_test {
namespace {

const wchar_t* FailureName(WmiFailure failure) {
  switch (failure) {
    case WmiFailure::None: return L"None";
    case WmiFailure::Bind: return L"Bind";
    case WmiFailure::ExecQuery: return L"ExecQuery";
    case WmiFailure::EnumerationAfter: return L"EnumerationAfter";
    case WmiFailure::NameRead: return L"NameRead";
    case WmiFailure::NameNotText: return L"NameNotText";
    case WmiFailure::NameException: return L"NameException";
    case WmiFailure::HangAtQuery: return L"HangAtQuery";
  }
  return L"None";
}

std::wstring FreshFolder() {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  static LONG sequence = 0;
  for (;;) {
    const std::wstring folder = std::wstring(temp, length) + L"wmi-double-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(InterlockedIncrement(&sequence));
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create a folder for the WMI double, error " << GetLastError();
      return folder;
    }
  }
}

void SetWinmgmtsClsid(const std::wstring& clsid) {
  const std::wstring data = clsid;
  const LSTATUS status = RegSetKeyValueW(HKEY_LOCAL_MACHINE, wmi_double::kWinmgmtsClsidKey, nullptr, REG_SZ,
                                         data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  ASSERT_EQ(status, ERROR_SUCCESS) << "cannot point winmgmts at a class";
}

std::wstring SavedWineClsid() {
  wchar_t data[64] = {};
  DWORD size = sizeof data;
  const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, wmi_double::kSavedClsidKey, wmi_double::kWineClsidValue,
                                      RRF_RT_REG_SZ, nullptr, data, &size);
  EXPECT_EQ(status, ERROR_SUCCESS) << "the prefix set-up did not keep Wine's winmgmts class id";
  return data;
}

}  // namespace

std::uint32_t WmiFailureCode(WmiFailure failure) {
  switch (failure) {
    case WmiFailure::None: return 0;
    case WmiFailure::Bind: return wmi_double::kBindFailure;
    case WmiFailure::ExecQuery: return wmi_double::kExecQueryFailure;
    case WmiFailure::EnumerationAfter: return wmi_double::kEnumerationFailure;
    case WmiFailure::NameRead: return wmi_double::kNameReadFailure;
    case WmiFailure::NameNotText: return static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH);
    case WmiFailure::NameException: return static_cast<std::uint32_t>(DISP_E_EXCEPTION);
    case WmiFailure::HangAtQuery: return 0x000005B4;  // ERROR_TIMEOUT, from the program's deadline
  }
  return 0;
}

WmiDouble::WmiDouble(const WmiDoubleSetup& setup)
    : folder_(FreshFolder()),
      configPath_(folder_ + L"\\wmi-double.conf"),
      logPath_(folder_ + L"\\" + wmi_double::kLogFileName) {
  std::wstring text = L"failure " + std::wstring(FailureName(setup.failure)) + L"\n";
  text += L"index " + std::to_wstring(setup.failIndex) + L"\n";
  text += L"answerAfter " + std::to_wstring(setup.answerAfterMilliseconds) + L"\n";
  if (setup.loopbackRefusal != 0) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(setup.loopbackRefusal));
    text += L"refuseLoopback " + std::wstring(code) + L"\n";
  }
  for (const std::wstring& printer : setup.printers) text += L"printer " + printer + L"\n";
  const std::string bytes = wmi_double::ToUtf8(text);
  const HANDLE file = CreateFileW(configPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot write the WMI double's configuration, error " << GetLastError();
    return;
  }
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  EXPECT_TRUE(wrote && written == bytes.size()) << "the WMI double's configuration was cut short";
}

WmiDouble::~WmiDouble() {
  if (appliedHere_) SetEnvironmentVariableW(wmi_double::kConfigVariable, nullptr);
  DeleteFileW(logPath_.c_str());
  DeleteFileW(configPath_.c_str());
  RemoveDirectoryW(folder_.c_str());
}

ProductProcess::Environment WmiDouble::Environment() const { return {{wmi_double::kConfigVariable, configPath_}}; }

void WmiDouble::ApplyToThisProcess() {
  ASSERT_TRUE(SetEnvironmentVariableW(wmi_double::kConfigVariable, configPath_.c_str()));
  appliedHere_ = true;
}

std::vector<std::wstring> WmiDouble::Log() const {
  std::vector<std::wstring> entries;
  const HANDLE file = CreateFileW(logPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return entries;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0) bytes.append(buffer, read);
  CloseHandle(file);
  const std::wstring text = wmi_double::FromUtf8Lenient(bytes);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) {
      entries.push_back(text.substr(start));
      break;
    }
    entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

WineOwnWmi::WineOwnWmi() { SetWinmgmtsClsid(SavedWineClsid()); }

WineOwnWmi::~WineOwnWmi() { SetWinmgmtsClsid(wmi_double::kClsid); }

}  // namespace wine_test
