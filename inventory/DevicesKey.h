#pragma once
// The per-user Devices key: one value per printer device the user has known. Its names are
// read into lstRegedit, and stale ones are deleted under the same root and path, each with
// the other traces Windows keeps for a printer under the same name.
#include <array>

#include "registry/RegistryApi.h"

namespace inventory {

inline constexpr registry::RegRootKey kDevicesRoot = registry::kHkeyCurrentUser;
inline constexpr wchar_t kDevicesKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";

// Its twin, the registry form of win.ini's [PrinterPorts]: Windows writes and removes a
// device's value there, under the same name, together with its Devices value. Programs that
// list printers from it would still show a stale device whose twin stayed.
inline constexpr wchar_t kPrinterPortsKeyPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts";

// The user's printing preferences for each printer, a DEVMODE of a kilobyte or more per name:
// what makes a terminal server user's hive grow when redirected printers are not removed cleanly.
inline constexpr wchar_t kDevModes2KeyPath[] = L"Printers\\DevModes2";
inline constexpr wchar_t kDevModePerUserKeyPath[] = L"Printers\\DevModePerUser";

// Every key, under kDevicesRoot, where a stale device leaves a value of its name, in the order
// they are deleted: the Devices value last, so that a name whose other traces cannot all go is
// still listed, and tried again, by the next run.
inline constexpr std::array<const wchar_t*, 4> kTraceKeyPaths = {kPrinterPortsKeyPath, kDevModes2KeyPath,
                                                                 kDevModePerUserKeyPath, kDevicesKeyPath};
// Places in kTraceKeyPaths. The two preference keys hold what Windows never writes again
// for an installed printer.
inline constexpr std::size_t kDevModes2Trace = 1;
inline constexpr std::size_t kDevModePerUserTrace = 2;
inline constexpr std::size_t kDevicesTrace = 3;

}  // namespace inventory
