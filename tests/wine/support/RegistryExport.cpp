#include "support/RegistryExport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace wine_test {
namespace {

// Registry symbolic links could lead back up the tree; no real key is this deep.
constexpr int kMaxDepth = 64;

// Wine's own scratch store for system parameters, which its X11 driver fills the first time a
// window of the prefix is shown, whatever the program: Windows has no such key, and no program
// of ours writes there, so it is left out of every export.
constexpr wchar_t kWineVolatileParameters[] = L"HKCU\\Software\\Wine\\Temporary System Parameters";

// Stands for a key that could not be read, with the status, so that it still compares.
RegistryValue StatusValue(LSTATUS status) {
  const auto code = static_cast<std::uint32_t>(status);
  return {REG_DWORD, {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8),
                      static_cast<std::uint8_t>(code >> 16), static_cast<std::uint8_t>(code >> 24)}};
}

void ExportKey(HKEY key, const std::wstring& path, int depth, RegistryExport& out) {
  RegistryKeyContents& contents = out[path];
  DWORD subKeys = 0, maxSubKeyLength = 0, values = 0, maxNameLength = 0, maxDataSize = 0;
  LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLength, nullptr,
                                    &values, &maxNameLength, &maxDataSize, nullptr, nullptr);
  if (status != ERROR_SUCCESS) {
    contents.values[L"<cannot query>"] = StatusValue(status);
    return;
  }

  std::vector<wchar_t> name(maxNameLength + 2);
  std::vector<std::uint8_t> data(maxDataSize + 2);
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
    if (status == ERROR_MORE_DATA) {  // the key grew since it was measured: measure again
      name.resize(name.size() * 2 + 256);
      data.resize(data.size() * 2 + 256);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    contents.values[std::wstring(name.data(), nameLength)] =
        RegistryValue{type, std::vector<std::uint8_t>(data.begin(), data.begin() + dataSize)};
  }

  if (depth >= kMaxDepth) return;
  std::vector<wchar_t> subKeyName(maxSubKeyLength + 2);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(subKeyName.size());
    status = RegEnumKeyExW(key, index, subKeyName.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {
      subKeyName.resize(subKeyName.size() * 2 + 256);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    const std::wstring child(subKeyName.data(), length);
    const std::wstring childPath = path + L"\\" + child;
    if (childPath == kWineVolatileParameters) continue;
    HKEY childKey = nullptr;
    status = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &childKey);
    if (status != ERROR_SUCCESS) {
      out[childPath].values[L"<cannot open>"] = StatusValue(status);
      continue;
    }
    ExportKey(childKey, childPath, depth + 1, out);
    RegCloseKey(childKey);
  }
}

}  // namespace

RegistryValue StringValue(const std::wstring& data) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.c_str());
  return {REG_SZ, std::vector<std::uint8_t>(bytes, bytes + (data.size() + 1) * sizeof(wchar_t))};
}

void PrintTo(const RegistryKeyContents& contents, std::ostream* out) {
  *out << "{";
  for (const auto& [name, value] : contents.values) {
    *out << " " << testing::PrintToString(name) << ": type " << value.type << ", " << value.data.size() << " bytes;";
  }
  *out << " }";
}

RegistryExport ExportRegistry(HKEY root, const std::wstring& rootName, const std::wstring& subKey) {
  RegistryExport out;
  const std::wstring path = subKey.empty() ? rootName : rootName + L"\\" + subKey;
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(root, subKey.empty() ? nullptr : subKey.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) {
    out[path].values[L"<cannot open>"] = StatusValue(status);
    return out;
  }
  ExportKey(key, path, 0, out);
  RegCloseKey(key);
  return out;
}

std::vector<std::wstring> RegistryDifferences(const RegistryExport& before, const RegistryExport& after) {
  std::vector<std::wstring> differences;
  for (const auto& [path, contents] : before) {
    auto found = after.find(path);
    if (found == after.end()) {
      differences.push_back(L"key removed: " + path);
      continue;
    }
    for (const auto& [name, value] : contents.values) {
      auto other = found->second.values.find(name);
      if (other == found->second.values.end()) {
        differences.push_back(L"value removed: " + path + L" [" + name + L"]");
      } else if (!(other->second == value)) {
        differences.push_back(L"value changed: " + path + L" [" + name + L"]");
      }
    }
    for (const auto& [name, value] : found->second.values) {
      if (!contents.values.contains(name)) differences.push_back(L"value added: " + path + L" [" + name + L"]");
    }
  }
  for (const auto& [path, contents] : after) {
    if (!before.contains(path)) differences.push_back(L"key added: " + path);
  }
  std::sort(differences.begin(), differences.end());
  return differences;
}

std::vector<std::wstring> RegistryChanges(const RegistryState& before, const RegistryState& after) {
  std::vector<std::wstring> changes = RegistryDifferences(before.currentUser, after.currentUser);
  const std::vector<std::wstring> machine = RegistryDifferences(before.machineSoftware, after.machineSoftware);
  changes.insert(changes.end(), machine.begin(), machine.end());
  std::sort(changes.begin(), changes.end());
  return changes;
}

}  // namespace wine_test
