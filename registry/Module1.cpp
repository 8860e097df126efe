#include "registry/Module1.h"

#include <algorithm>
#include <cwchar>

namespace registry {
namespace {

enum class Record { Names, Zeros, Nothing };

// The kind is a registry value-type number. It never selects values: every value under
// the key is enumerated whatever its own type; the kind only says what is recorded.
Record WhatToRecord(std::int32_t kind) {
  switch (kind) {
    case 1: case 2: case 6: case 7:  // REG_SZ, REG_EXPAND_SZ, REG_LINK, REG_MULTI_SZ
      return Record::Names;
    case 0: case 3: case 4: case 5: case 8: case 9: case 10: case 11:
      return Record::Zeros;
    default:  // 12 and above, or negative
      return Record::Nothing;
  }
}

// Closes the key on every way out of the call.
class OpenKeyGuard {
 public:
  OpenKeyGuard(RegistryApi& api, RegKeyHandle key) : api_(api), key_(key) {}
  ~OpenKeyGuard() { api_.CloseKey(key_); }  // a failing close is ignored
  OpenKeyGuard(const OpenKeyGuard&) = delete;
  OpenKeyGuard& operator=(const OpenKeyGuard&) = delete;

 private:
  RegistryApi& api_;
  RegKeyHandle key_;
};

}  // namespace

void Module1::EnumRegValues(RegRootKey root, const std::wstring& keyPath, ValueNameArray& names,
                            std::int32_t& count, std::int32_t kind) {
  RegKeyHandle key = 0;
  if (api_.OpenKey(root, keyPath, 0, kKeyRead, key) != kErrorSuccess) return;
  OpenKeyGuard closeOnReturn(api_, key);

  const Record record = WhatToRecord(kind);
  std::int32_t m = 0;
  if (record != Record::Nothing) {
    wchar_t nameBuffer[kNameBufferLength];
    std::wmemset(nameBuffer, L' ', kNameBufferLength);
    std::uint32_t nameLength = kNameBufferLength;
    for (;;) {
      std::uint32_t dataSize = 0;
      std::uint32_t valueType = 0;  // received and ignored
      // Any non-zero status ends the enumeration: 259 past the last value, 234 for a name
      // that does not fit the buffer, or any other failure. Earlier names are kept.
      if (api_.EnumValue(key, static_cast<std::uint32_t>(m), nameBuffer, nameLength, valueType,
                         dataSize) != kErrorSuccess) {
        break;
      }
      // Exactly m + 1 elements, earlier ones preserved: a longer array passed in shrinks.
      names.resize(static_cast<std::size_t>(m) + 1);
      if (record == Record::Names) {
        names[m] = std::wstring(nameBuffer, std::min(nameLength, kNameBufferLength));
      } else {
        names[m] = std::int32_t{0};
      }
      std::wmemset(nameBuffer, L' ', kNameBufferLength);
      nameLength = kNameBufferLength;
      ++m;
    }
  }
  count = m;  // written once, and only when the key was opened
}

bool Module1::ReadValueNames(RegRootKey root, const std::wstring& keyPath, std::vector<std::wstring>& names) {
  RegKeyHandle key = 0;
  if (const RegStatus opened = api_.OpenKey(root, keyPath, 0, kKeyRead, key); opened != kErrorSuccess) {
    return opened == kErrorFileNotFound;
  }
  OpenKeyGuard closeOnReturn(api_, key);
  std::vector<wchar_t> nameBuffer(kLongestValueName + 1);
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameLength = static_cast<std::uint32_t>(nameBuffer.size());
    std::uint32_t dataSize = 0;
    std::uint32_t valueType = 0;
    const RegStatus status = api_.EnumValue(key, index, nameBuffer.data(), nameLength, valueType, dataSize);
    if (status == kErrorNoMoreItems) return true;
    if (status != kErrorSuccess) return false;
    names.emplace_back(nameBuffer.data(), std::min<std::size_t>(nameLength, nameBuffer.size()));
  }
}

bool IsExactlyAddressable(const std::wstring& valueName) {
  return valueName.find(L'\0') == std::wstring::npos;
}

DeletionResult Module1::DeleteRegValue(RegRootKey root, const std::wstring& keyPath, const std::wstring& valueName) {
  if (!IsExactlyAddressable(valueName)) return {false, false, kErrorInvalidParameter};
  const auto outcome = [](RegStatus status) {
    return DeletionResult{status == kErrorSuccess || status == kErrorFileNotFound, status == kErrorSuccess, status};
  };
  RegKeyHandle key = 0;
  if (const RegStatus opened = api_.OpenKey(root, keyPath, 0, kKeySetValue, key); opened != kErrorSuccess) {
    return outcome(opened);
  }
  OpenKeyGuard closeOnReturn(api_, key);
  return outcome(api_.DeleteValue(key, valueName));
}

RegStatus Module1::DeletionRefusal(RegRootKey root, const std::wstring& keyPath) {
  RegKeyHandle key = 0;
  const RegStatus opened = api_.OpenKey(root, keyPath, 0, kKeySetValue, key);
  if (opened != kErrorSuccess) return opened == kErrorFileNotFound ? kErrorSuccess : opened;
  OpenKeyGuard closeOnReturn(api_, key);
  return kErrorSuccess;
}

}  // namespace registry
