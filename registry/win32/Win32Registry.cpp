#include "registry/win32/Win32Registry.h"

#include <windows.h>

namespace registry {
namespace {

// Predefined roots are 32-bit values that Windows sign-extends into a pointer-sized HKEY.
HKEY RootHandle(RegRootKey root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

HKEY KeyHandle(RegKeyHandle key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

RegStatus Win32Registry::OpenKey(RegRootKey root, const std::wstring& path, std::uint32_t options,
                                 std::uint32_t access, RegKeyHandle& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExW(RootHandle(root), path.c_str(), options, access, &opened);
  if (status == ERROR_SUCCESS) key = reinterpret_cast<RegKeyHandle>(opened);
  return status;
}

RegStatus Win32Registry::EnumValue(RegKeyHandle key, std::uint32_t index, wchar_t* name,
                                   std::uint32_t& nameLength, std::uint32_t& type,
                                   std::uint32_t& dataSize) {
  DWORD length = nameLength;
  DWORD valueType = 0;
  DWORD size = dataSize;
  const LSTATUS status =
      RegEnumValueW(KeyHandle(key), index, name, &length, nullptr, &valueType, nullptr, &size);
  nameLength = length;
  type = valueType;
  dataSize = size;
  return status;
}

RegStatus Win32Registry::DeleteValue(RegKeyHandle key, const std::wstring& name) {
  return RegDeleteValueW(KeyHandle(key), name.c_str());
}

RegStatus Win32Registry::CloseKey(RegKeyHandle key) { return RegCloseKey(KeyHandle(key)); }

}  // namespace registry
