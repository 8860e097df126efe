#pragma once
// The per-user Devices key: one value per printer device the user has known. Its names are
// read into lstRegedit, and stale ones are deleted under the same root and path.
#include "registry/RegistryApi.h"

namespace inventory {

inline constexpr registry::RegRootKey kDevicesRoot = registry::kHkeyCurrentUser;
inline constexpr wchar_t kDevicesKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";

}  // namespace inventory
