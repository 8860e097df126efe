#pragma once
// What the four trace keys hold (Devices, PrinterPorts, DevModes2, DevModePerUser), read once
// for one cleanup: which names have a value under each, compared as the registry compares value
// names, ignoring letter case. A printer that is gone may have left values under the last three
// with none under Devices: those names are found here, not in lstRegedit.
#include <array>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "inventory/DevicesKey.h"
#include "registry/Module1.h"

namespace inventory {

enum class Presence : std::uint8_t { NotThere, There, Unknown };

class PrinterTraces {
 public:
  // Reads each trace key once, in kTraceKeyPaths order.
  static PrinterTraces Read(registry::Module1& module1);

  // Whether kTraceKeyPaths[trace] holds a value of the name of this comparison key; Unknown when
  // that key could not be read whole.
  Presence In(std::size_t trace, const std::wstring& nameKey) const;

  // Per trace key, in kTraceKeyPaths order, whether a cleanup of the name of this comparison key
  // has a value to delete there: each key's own, but an installed printer's preferences
  // (ofInstalledPrinter: the name is an installed printer's, spelt otherwise), which Windows
  // never writes again.
  using Values = std::array<Presence, kTraceKeyPaths.size()>;
  Values ToDelete(const std::wstring& nameKey, bool ofInstalledPrinter) const;

  struct Name {
    std::wstring name;  // as the first key that holds it spells it
    std::wstring key;   // its comparison key
  };
  // Every name with a value under PrinterPorts, DevModes2 or DevModePerUser and surely none
  // under Devices, once each as the registry compares names, in that order of the keys and then
  // in the registry's; only names the registry can be given exactly.
  const std::vector<Name>& NamesWithoutDevice() const { return withoutDevice_; }

 private:
  std::array<std::unordered_set<std::wstring>, kTraceKeyPaths.size()> keys_;
  std::array<bool, kTraceKeyPaths.size()> readWhole_{};
  std::vector<Name> withoutDevice_;
};

}  // namespace inventory
