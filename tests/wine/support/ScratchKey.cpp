#include "support/ScratchKey.h"

#include <aclapi.h>
#include <gtest/gtest.h>

namespace wine_test {

RestrictedKey::RestrictedKey(std::wstring path, DWORD access) : path_(std::move(path)) {
  EXPECT_EQ(LetEveryone(access), ERROR_SUCCESS);
}

RestrictedKey::~RestrictedKey() { EXPECT_EQ(LetEveryone(KEY_ALL_ACCESS), ERROR_SUCCESS); }

// WRITE_DAC stays, so that the destructor can give everything back.
DWORD RestrictedKey::LetEveryone(DWORD access) const {
  SID everyone{SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};
  alignas(DWORD) BYTE buffer[64];
  ACL* acl = reinterpret_cast<ACL*>(buffer);
  InitializeAcl(acl, sizeof buffer, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, access | WRITE_DAC, &everyone);
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC, &key);
  const DWORD status = SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, acl, nullptr);
  RegCloseKey(key);
  return status;
}

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
