#include "registry/win32/Win32Registry.h"

#include <windows.h>

#include <memory>

#include "common/win32/NameCase.h"

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

std::wstring Win32Registry::ComparisonKey(const std::wstring& valueName) {
  return win32::UpperCaseInvariant(valueName, L"comparaison des noms de valeurs du registre");
}

std::wstring Win32Registry::StatusText(RegStatus status) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, HLOCAL (*)(HLOCAL)> freeOnReturn(buffer, LocalFree);
  std::wstring text(buffer ? buffer : L"", buffer ? length : 0);
  // The system's messages end with a line break.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

}  // namespace registry
