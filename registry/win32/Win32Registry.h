#pragma once
// The registry operations on the real registry, through the wide advapi32 entry points.
#include "registry/RegistryApi.h"

namespace registry {

class Win32Registry final : public RegistryApi {
 public:
  RegStatus OpenKey(RegRootKey root, const std::wstring& path, std::uint32_t options,
                    std::uint32_t access, RegKeyHandle& key) override;
  RegStatus EnumValue(RegKeyHandle key, std::uint32_t index, wchar_t* name,
                      std::uint32_t& nameLength, std::uint32_t& type,
                      std::uint32_t& dataSize) override;
  RegStatus DeleteValue(RegKeyHandle key, const std::wstring& name) override;
  RegStatus CloseKey(RegKeyHandle key) override;
  std::wstring ComparisonKey(const std::wstring& valueName) override;
  std::wstring StatusText(RegStatus status) override;
};

}  // namespace registry
