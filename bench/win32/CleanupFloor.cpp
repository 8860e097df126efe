// The least a cleanup of the Devices key can cost: only the registry calls the cleanup must
// make, through the product's own registry module. One enumeration of the key, one check of
// each key a stale device leaves a value in, then four deletions per stale name: its
// PrinterPorts, DevModes2 and DevModePerUser values, then its Devices value. The printers are
// known in advance (bench/PrinterNames.h), as the WMI test double serves them to the product:
//   BenchCleanupFloor REGISTRY_COUNT PRINTER_COUNT
// Prints the names enumerated, the names deleted and the time spent.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/StaleNames.h"
#include "bench/PrinterNames.h"
#include "inventory/DevicesKey.h"
#include "registry/Module1.h"
#include "registry/win32/Win32Registry.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: BenchCleanupFloor REGISTRY_COUNT PRINTER_COUNT\n");
    return 2;
  }
  const bench::PrinterNameSet expected =
      bench::MakePrinterNames(std::wcstoul(argv[1], nullptr, 10), std::wcstoul(argv[2], nullptr, 10));

  LARGE_INTEGER frequency, start, enumerated, end;
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
  const std::vector<std::int16_t> stale = StaleNameIndices(names, expected.printers);
  const std::vector<std::wstring> keys(inventory::kTraceKeyPaths.begin(), inventory::kTraceKeyPaths.end());
  for (const std::wstring& key : keys) module1.DeletionRefusal(inventory::kDevicesRoot, key);
  for (std::int16_t i : stale) {
    const std::wstring& name = names[static_cast<std::size_t>(i)];
    for (const std::wstring& key : keys) module1.DeleteRegValue(inventory::kDevicesRoot, key, name);
  }
  QueryPerformanceCounter(&end);

  const auto milliseconds = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  };
  std::printf("enumerated %d, deleted %zu: enumeration %.0f ms, deletions %.0f ms\n", count, stale.size(),
              milliseconds(start, enumerated), milliseconds(enumerated, end));
  return 0;
}
