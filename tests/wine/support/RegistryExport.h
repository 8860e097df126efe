#pragma once
// A whole registry tree read through the Win32 API: every key below a root, and every value
// with its type and data, exactly as stored. Two exports of the same tree taken before and
// after a run tell exactly what the run changed.
#include <windows.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace wine_test {

struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

struct RegistryKeyContents {
  std::map<std::wstring, RegistryValue> values;  // by value name; "" is the default value
  bool operator==(const RegistryKeyContents&) const = default;
};

// A REG_SZ value holding this text, as the registry stores it: UTF-16 with its terminator.
RegistryValue StringValue(const std::wstring& data);

// Names each value with its type and data size, for test failure messages.
void PrintTo(const RegistryKeyContents& contents, std::ostream* out);

// Keyed by the full path, for example L"HKCU\\Software\\Wine". Keys without values are there
// too, so that an added or removed empty key shows.
using RegistryExport = std::map<std::wstring, RegistryKeyContents>;

// Reads root\subKey (the root itself when subKey is empty) and everything below it, except
// Wine's own scratch store of system parameters (HKCU\Software\Wine\Temporary System Parameters).
// rootName prefixes the paths ("HKCU", "HKLM"). A key that cannot be opened is recorded
// with a single value named "<cannot open>" (or "<cannot query>") holding the status, so that it still compares.
RegistryExport ExportRegistry(HKEY root, const std::wstring& rootName, const std::wstring& subKey);

// One line per difference between two exports, sorted: "key added: PATH", "key removed:
// PATH", "value added: PATH [NAME]", "value removed: PATH [NAME]", "value changed: PATH [NAME]".
std::vector<std::wstring> RegistryDifferences(const RegistryExport& before, const RegistryExport& after);

// The parts of the registry a run could touch by mistake: the whole of the current user's
// tree and the machine's software tree, read when the object is made.
struct RegistryState {
  RegistryExport currentUser = ExportRegistry(HKEY_CURRENT_USER, L"HKCU", L"");
  RegistryExport machineSoftware = ExportRegistry(HKEY_LOCAL_MACHINE, L"HKLM", L"Software");
};

// Every difference between two states of both trees, sorted, in RegistryDifferences' terms.
std::vector<std::wstring> RegistryChanges(const RegistryState& before, const RegistryState& after);

}  // namespace wine_test
