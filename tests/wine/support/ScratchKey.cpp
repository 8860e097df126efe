#include "support/ScratchKey.h"

#include <gtest/gtest.h>

namespace wine_test {

ScratchKey::ScratchKey(std::wstring path) : path_(std::move(path)) {
  DeleteTree(path_);
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, &key, nullptr);
  EXPECT_EQ(status, ERROR_SUCCESS) << "cannot create the scratch key";
  if (status == ERROR_SUCCESS) RegCloseKey(key);
}

ScratchKey::~ScratchKey() { DeleteTree(path_); }

void ScratchKey::SetString(const std::wstring& name, const std::wstring& data) {
  const LSTATUS status = RegSetKeyValueW(
      HKEY_CURRENT_USER, path_.c_str(), name.c_str(), REG_SZ, data.c_str(),
      static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  ASSERT_EQ(status, ERROR_SUCCESS) << "cannot set a string value";
}

void ScratchKey::SetDword(const std::wstring& name, std::uint32_t data) {
  const DWORD value = data;
  const LSTATUS status = RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name.c_str(),
                                         REG_DWORD, &value, sizeof value);
  ASSERT_EQ(status, ERROR_SUCCESS) << "cannot set a DWORD value";
}

std::vector<std::wstring> ValueNames(const std::wstring& path) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return names;
  }
  std::vector<wchar_t> buffer(32768);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(buffer.data(), length);
  }
  RegCloseKey(key);
  return names;
}

bool ValueExists(const std::wstring& path, const std::wstring& name) {
  return RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY, nullptr,
                      nullptr, nullptr) == ERROR_SUCCESS;
}

void DeleteTree(const std::wstring& path) { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

}  // namespace wine_test
