#include "inventory/PrinterTraces.h"

namespace inventory {

PrinterTraces PrinterTraces::Read(registry::Module1& module1) {
  PrinterTraces traces;
  for (std::size_t trace = 0; trace < kTraceKeyPaths.size(); ++trace) {
    std::vector<std::wstring> names;
    traces.readWhole_[trace] = module1.ReadValueNames(kDevicesRoot, kTraceKeyPaths[trace], names);
    traces.keys_[trace].reserve(names.size());
    for (std::wstring& name : names) {
      std::wstring key = module1.ComparisonKey(name);
      const bool firstUnderAnyKey = trace != kDevicesTrace && traces.In(kPrinterPortsTrace, key) != Presence::There &&
                                    traces.In(kDevModes2Trace, key) != Presence::There &&
                                    traces.In(kDevModePerUserTrace, key) != Presence::There;
      if (firstUnderAnyKey) traces.besideDevices_.push_back({std::move(name), key});
      traces.keys_[trace].insert(std::move(key));
    }
  }
  return traces;
}

Presence PrinterTraces::In(std::size_t trace, const std::wstring& nameKey) const {
  if (keys_[trace].contains(nameKey)) return Presence::There;
  return readWhole_[trace] ? Presence::NotThere : Presence::Unknown;
}

}  // namespace inventory
