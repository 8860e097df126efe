#include "inventory/PrinterTraces.h"

#include <algorithm>

namespace inventory {

PrinterTraces PrinterTraces::Read(registry::Module1& module1) {
  PrinterTraces traces;
  for (std::size_t trace = 0; trace < kTraceKeyPaths.size(); ++trace) {
    std::vector<std::wstring> names;
    traces.readWhole_[trace] = module1.ReadValueNames(kDevicesRoot, kTraceKeyPaths[trace], names);
    traces.keys_[trace].reserve(names.size());
    for (std::wstring& name : names) {
      std::wstring key = module1.ComparisonKey(name);
      const bool firstBesideDevices = trace != kDevicesTrace && std::none_of(traces.keys_.begin(), traces.keys_.begin() + kDevicesTrace,
                                                                              [&key](const auto& keys) { return keys.contains(key); });
      if (firstBesideDevices) traces.withoutDevice_.push_back({std::move(name), key});
      traces.keys_[trace].insert(std::move(key));
    }
  }
  std::erase_if(traces.withoutDevice_, [&traces](const Name& trace) {
    return !registry::IsExactlyAddressable(trace.name) || traces.In(kDevicesTrace, trace.key) != Presence::NotThere;
  });
  return traces;
}

PrinterTraces::Values PrinterTraces::ToDelete(const std::wstring& nameKey, bool ofInstalledPrinter) const {
  Values values;
  for (std::size_t trace = 0; trace < values.size(); ++trace) values[trace] = In(trace, nameKey);
  if (ofInstalledPrinter) values[kDevModes2Trace] = values[kDevModePerUserTrace] = Presence::NotThere;
  return values;
}

Presence PrinterTraces::In(std::size_t trace, const std::wstring& nameKey) const {
  if (keys_[trace].contains(nameKey)) return Presence::There;
  return readWhole_[trace] ? Presence::NotThere : Presence::Unknown;
}

}  // namespace inventory
