// The least a cleanup can cost: only the registry calls the cleanup must make, through the
// product's own registry module and its reading of the trace keys. One enumeration of the
// Devices key, the four trace keys read once each, one check of each key's right to delete,
// then one deletion per value to delete: each stale device's, the Devices value last, then each
// orphan's, as many as the cleanup's list holds. The printers are known in advance
// (bench/PrinterNames.h), as the WMI test double serves them to the product:
//   BenchCleanupFloor REGISTRY_COUNT PRINTER_COUNT
// Prints the names enumerated, the stale devices, orphans and values deleted, and the time spent
// enumerating, reading the trace keys (with working out what to delete) and deleting.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/StaleNames.h"
#include "bench/PrinterNames.h"
#include "common/NameList.h"
#include "inventory/DevicesKey.h"
#include "inventory/PrinterTraces.h"
#include "registry/Module1.h"
#include "registry/win32/Win32Registry.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: BenchCleanupFloor REGISTRY_COUNT PRINTER_COUNT\n");
    return 2;
  }
  const bench::PrinterNameSet expected =
      bench::MakePrinterNames(std::wcstoul(argv[1], nullptr, 10), std::wcstoul(argv[2], nullptr, 10));

  LARGE_INTEGER frequency, start, enumerated, read, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);

  registry::Win32Registry api;
  registry::Module1 module1(api);
  registry::ValueNameArray values;
  std::int32_t count = 0;
  module1.EnumRegValues(inventory::kDevicesRoot, inventory::kDevicesKeyPath, values, count, 1);
  QueryPerformanceCounter(&enumerated);

  std::vector<std::wstring> names;
  names.reserve(values.size());
  for (const registry::RegValueName& value : values) {
    if (const auto* text = std::get_if<std::wstring>(&value)) names.push_back(*text);
  }
  const inventory::PrinterTraces traces = inventory::PrinterTraces::Read(module1);
  std::unordered_set<std::wstring> installed;
  for (const std::wstring& printer : expected.printers) installed.insert(module1.ComparisonKey(printer));

  // Each name to delete, and where its values are.
  std::vector<std::pair<std::wstring, inventory::PrinterTraces::Values>> deletions;
  for (std::int16_t i : StaleNameIndices(names, expected.printers)) {
    const std::wstring& name = names[static_cast<std::size_t>(i)];
    if (!registry::IsExactlyAddressable(name)) continue;
    const std::wstring key = module1.ComparisonKey(name);
    deletions.push_back({name, traces.ToDelete(key, installed.contains(key))});
  }
  const std::size_t devices = deletions.size();
  // The cleanup's list holds the stale devices, then a heading and the orphans, up to its limit.
  for (const inventory::PrinterTraces::Name& trace : traces.NamesWithoutDevice()) {
    if (deletions.size() + 1 >= static_cast<std::size_t>(NameList::kMaxCount)) break;
    if (!installed.contains(trace.key)) deletions.push_back({trace.name, traces.ToDelete(trace.key, false)});
  }
  QueryPerformanceCounter(&read);

  for (const wchar_t* path : inventory::kTraceKeyPaths) module1.DeletionRefusal(inventory::kDevicesRoot, path);
  const std::vector<std::wstring> keys(inventory::kTraceKeyPaths.begin(), inventory::kTraceKeyPaths.end());
  std::size_t valuesDeleted = 0;
  for (const auto& [name, where] : deletions) {
    for (std::size_t t = 0; t < keys.size(); ++t) {
      if (where[t] == inventory::Presence::NotThere) continue;
      if (module1.DeleteRegValue(inventory::kDevicesRoot, keys[t], name).deletedNow) ++valuesDeleted;
    }
  }
  QueryPerformanceCounter(&end);

  const auto milliseconds = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  };
  std::printf(
      "enumerated %d, deleted %zu devices and %zu orphans, %zu values: enumeration %.0f ms, trace reading %.0f ms, "
      "deletions %.0f ms\n",
      count, devices, deletions.size() - devices, valuesDeleted, milliseconds(start, enumerated),
      milliseconds(enumerated, read), milliseconds(read, end));
  return 0;
}
