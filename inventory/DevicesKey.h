#pragma once
// The per-user Devices key: one value per printer device the user has known. Its names are
// read into lstRegedit, and stale ones are deleted under the same root and path, each with
// its PrinterPorts twin.
#include "registry/RegistryApi.h"

namespace inventory {

inline constexpr registry::RegRootKey kDevicesRoot = registry::kHkeyCurrentUser;
inline constexpr wchar_t kDevicesKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";

// Its twin, the registry form of win.ini's [PrinterPorts]: Windows writes and removes a
// device's value there, under the same name, together with its Devices value. Programs that
// list printers from it would still show a stale device whose twin stayed.
inline constexpr wchar_t kPrinterPortsKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts";

}  // namespace inventory
