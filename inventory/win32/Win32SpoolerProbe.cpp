#include "inventory/win32/Win32SpoolerProbe.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "common/AppError.h"
#include "common/win32/NameCase.h"
#include "common/win32/Raii.h"

namespace inventory {
namespace {

// winspool.drv is not among the DLLs Windows protects by name: imported statically, a file of
// that name beside the program would be loaded, before wWinMain, instead of the system's. It
// is loaded here from the system directory only.
using EnumPrintersFunction = Win32SpoolerProbe::ListPrinters;

}  // namespace

SpoolerAnswer Win32SpoolerProbe::Query() {
  const InventoryDeadline::Question question(deadline_, L"le spouleur d'impression");
  win32::UniqueModule spooler;
  EnumPrintersFunction enumPrinters = listPrinters_;
  if (!enumPrinters) {
    spooler.reset(LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!spooler) return {GetLastError(), {}};
    enumPrinters = reinterpret_cast<EnumPrintersFunction>(
        reinterpret_cast<void*>(GetProcAddress(spooler.get(), "EnumPrintersW")));
    if (!enumPrinters) return {GetLastError(), {}};
  }

  constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  constexpr DWORD kLevel = 4;  // names and attributes only: the cheapest level that lists connections
  DWORD needed = 0;
  DWORD returned = 0;
  std::vector<BYTE> buffer;
  // A printer added between the size query and the listing asks for a bigger buffer again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (enumPrinters(kFlags, nullptr, kLevel, buffer.empty() ? nullptr : buffer.data(),
                     static_cast<DWORD>(buffer.size()), &needed, &returned)) {
      SpoolerAnswer answer;
      const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
      for (DWORD i = 0; i < returned; ++i) {
        if (printers[i].pPrinterName != nullptr) answer.printers.emplace_back(printers[i].pPrinterName);
      }
      return answer;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) return {error != 0 ? error : ERROR_GEN_FAILURE, {}};
    buffer.resize(needed);
  }
  return {ERROR_INSUFFICIENT_BUFFER, {}};
}

std::wstring Win32SpoolerProbe::ComparisonKey(const std::wstring& printerName) {
  return win32::UpperCaseInvariant(printerName, L"comparaison des noms d'imprimantes du spouleur");
}

bool Win32SpoolerProbe::ServiceDisabled() {
  // A standard user may connect to the service manager and read a service's configuration.
  const win32::UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  const win32::UniqueServiceHandle service(OpenServiceW(manager.get(), L"Spooler", SERVICE_QUERY_CONFIG));
  if (!service) return false;
  DWORD needed = 0;
  QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(service.get(), config, needed, &needed)) return false;
  return config->dwStartType == SERVICE_DISABLED;
}

}  // namespace inventory
