#pragma once
// A registry key under HKEY_CURRENT_USER made for one test and deleted, with everything
// under it, when the test ends.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wine_test {

class ScratchKey {
 public:
  // Creates HKCU\<path> (and the keys above it), removing whatever was there first.
  explicit ScratchKey(std::wstring path);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::wstring& Path() const { return path_; }
  void SetString(const std::wstring& name, const std::wstring& data);
  void SetDword(const std::wstring& name, std::uint32_t data);

 private:
  std::wstring path_;
};

// While the object lives, the DACL of HKCU\<path> lets everyone do only this much (as a
// policy or a damaged ACL would); then everyone may do everything again.
class RestrictedKey {
 public:
  RestrictedKey(std::wstring path, DWORD access);
  ~RestrictedKey();
  RestrictedKey(const RestrictedKey&) = delete;
  RestrictedKey& operator=(const RestrictedKey&) = delete;

 private:
  DWORD LetEveryone(DWORD access) const;
  std::wstring path_;
};

// The names of the values directly under HKCU\<path>, as RegEnumValueW reports them with a
// buffer large enough for any name. Empty when the key does not exist.
std::vector<std::wstring> ValueNames(const std::wstring& path);

// Whether HKCU\<path> holds a value of that name.
bool ValueExists(const std::wstring& path, const std::wstring& name);

// Deletes HKCU\<path> and everything under it; a missing key is fine.
void DeleteTree(const std::wstring& path);

}  // namespace wine_test
