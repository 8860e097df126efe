#pragma once
// The registry operations the registry module needs, and the text of a status, as a
// small interface: advapi32 on Windows (registry/win32), an in-memory stand-in in the native
// unit tests.
// Statuses are plain Win32 statuses: 0 is success, anything else is failure.
#include <cstdint>
#include <string>

namespace registry {

using RegStatus = std::int32_t;       // Win32 LONG status
using RegRootKey = std::uint32_t;     // predefined root key, as its 32-bit handle value
using RegKeyHandle = std::uintptr_t;  // an open key, opaque to the module

inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorInvalidParameter = 87;
inline constexpr RegStatus kErrorNoMoreItems = 259;
inline constexpr RegRootKey kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kKeyRead = 0x20019;   // read control, query values, enumerate subkeys, notify
inline constexpr std::uint32_t kKeySetValue = 0x0002;    // set and delete values: all a deletion needs

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  // RegOpenKeyExW(root, path, options, access, &key).
  virtual RegStatus OpenKey(RegRootKey root, const std::wstring& path, std::uint32_t options,
                            std::uint32_t access, RegKeyHandle& key) = 0;

  // RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &dataSize):
  // nameLength holds the buffer's capacity in UTF-16 units on input and the name's length,
  // without its terminator, on success. No value data is ever read.
  virtual RegStatus EnumValue(RegKeyHandle key, std::uint32_t index, wchar_t* name,
                              std::uint32_t& nameLength, std::uint32_t& type,
                              std::uint32_t& dataSize) = 0;

  // RegDeleteValueW(key, name); the empty name is the key's default value.
  virtual RegStatus DeleteValue(RegKeyHandle key, const std::wstring& name) = 0;

  // RegCloseKey(key).
  virtual RegStatus CloseKey(RegKeyHandle key) = 0;

  // The value name as the registry compares names, ignoring letter case: two names that give
  // the same key are one value under any key.
  virtual std::wstring ComparisonKey(const std::wstring& valueName) = 0;

  // The system's own text for a status, in the system's language (FormatMessageW); empty
  // when it has none.
  virtual std::wstring StatusText(RegStatus status) = 0;
};

}  // namespace registry
