// Seeds a Wine prefix for the whole-program benchmark, and checks it afterwards:
//   BenchSeedDevices seed REGISTRY_COUNT PRINTER_COUNT CONFIG_PATH [no-orphans]
//     replaces the Devices key's values by REGISTRY_COUNT device names, each with its twin
//     under PrinterPorts and its preferences under DevModes2 and DevModePerUser, and writes
//     the WMI test double's configuration (CONFIG_PATH) so that it serves PRINTER_COUNT
//     printers, every other registry name among them (bench/PrinterNames.h). Beside them, one
//     printer of which only traces are left per other registry name: names that are no device
//     and no printer in any letter case, each with its preferences under DevModes2 and
//     DevModePerUser and nothing under Devices or PrinterPorts. "no-orphans" leaves those
//     out, for a case whose stale devices alone fill the cleanup's list;
//   BenchSeedDevices count
//     prints the number of values under the PrinterPorts, DevModes2, DevModePerUser and
//     Devices keys, in that order.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/PrinterNames.h"
#include "inventory/DevicesKey.h"
#include "tests/wmi_double/WmiDoubleProtocol.h"

namespace {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

bool WriteDoubleConfiguration(const std::wstring& path, const std::vector<std::wstring>& printers) {
  std::wstring text = L"failure None\n";
  for (const std::wstring& printer : printers) text += L"printer " + printer + L"\n";
  const std::string bytes = ToUtf8(text);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return wrote && written == bytes.size();
}

int Seed(std::size_t registryCount, std::size_t printerCount, const std::wstring& configPath, bool withOrphans) {
  const bench::PrinterNameSet names = bench::MakePrinterNames(registryCount, printerCount);
  const std::vector<std::wstring> orphans = bench::MakeOrphanNames(withOrphans ? bench::ExpectedStaleIndices(registryCount).size() : 0);
  // What Windows writes for a device: driver, port; for its twin, the time-outs too; for its
  // printing preferences, a DEVMODEW (110 UTF-16 units of zeros: its 220 bytes, no terminator).
  // A printer that is gone leaves its preferences only.
  const struct {
    const wchar_t* path;
    DWORD type;
    std::wstring data;
    bool holdsOrphans;
  } keys[] = {{inventory::kDevicesKeyPath, REG_SZ, L"winspool,Ne00:", false},
              {inventory::kPrinterPortsKeyPath, REG_SZ, L"winspool,Ne00:,15,45", false},
              {inventory::kDevModes2KeyPath, REG_BINARY, std::wstring(110, L'\0'), true},
              {inventory::kDevModePerUserKeyPath, REG_BINARY, std::wstring(110, L'\0'), true}};
  for (const auto& [path, type, data, holdsOrphans] : keys) {
    // A fresh key: deleting it whole is one call, where deleting its values one by one is many.
    RegDeleteTreeW(HKEY_CURRENT_USER, path);
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "cannot create the key: %ld\n", static_cast<long>(status));
      return 1;
    }
    const DWORD size = static_cast<DWORD>((data.size() + (type == REG_SZ)) * sizeof(wchar_t));
    const auto write = [&](const std::vector<std::wstring>& valueNames) {
      for (const std::wstring& name : valueNames) {
        status = RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()), size);
        if (status != ERROR_SUCCESS) return;
      }
    };
    write(names.registry);
    if (status == ERROR_SUCCESS && holdsOrphans) write(orphans);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "cannot write a value: %ld\n", static_cast<long>(status));
      return 1;
    }
  }
  if (!WriteDoubleConfiguration(configPath, names.printers)) {
    std::fprintf(stderr, "cannot write the WMI double's configuration\n");
    return 1;
  }
  std::printf("seeded %zu devices with their four values, %zu printers gone with their preferences, %zu printers\n",
              names.registry.size(), orphans.size(), names.printers.size());
  return 0;
}

DWORD ValueCount(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return values;
}

int Count() {
  for (const wchar_t* path : inventory::kTraceKeyPaths) std::printf("%lu ", ValueCount(path));
  std::printf("\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool noOrphans = argc == 6 && std::wcscmp(argv[5], L"no-orphans") == 0;
  if ((argc == 5 || noOrphans) && std::wcscmp(argv[1], L"seed") == 0) {
    return Seed(std::wcstoul(argv[2], nullptr, 10), std::wcstoul(argv[3], nullptr, 10), argv[4], !noOrphans);
  }
  if (argc == 2 && std::wcscmp(argv[1], L"count") == 0) return Count();
  std::fprintf(stderr, "usage: BenchSeedDevices seed REGISTRY_COUNT PRINTER_COUNT CONFIG_PATH [no-orphans] | count\n");
  return 2;
}
