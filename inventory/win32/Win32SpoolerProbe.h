#pragma once
// Asks the print spooler for its local and connection printers (EnumPrintersW), each time
// within the inventory's deadline, and compares their names as Windows does, ignoring letter
// case. The service manager tells whether the Print Spooler service is disabled.
#include <windows.h>
#include <winspool.h>

#include "inventory/PrinterSource.h"
#include "inventory/win32/InventoryDeadline.h"

namespace inventory {

class Win32SpoolerProbe final : public SpoolerProbe {
 public:
  // The spooler's listing, EnumPrintersW; only its type is taken from winspool.h.
  using ListPrinters = decltype(&EnumPrintersW);

  // listPrinters stands in for the system's EnumPrintersW, when given.
  explicit Win32SpoolerProbe(InventoryDeadline& deadline, ListPrinters listPrinters = nullptr)
      : deadline_(deadline), listPrinters_(listPrinters) {}

  SpoolerAnswer Query() override;
  std::wstring ComparisonKey(const std::wstring& printerName) override;
  bool ServiceDisabled() override;

 private:
  InventoryDeadline& deadline_;
  ListPrinters listPrinters_;
};

}  // namespace inventory
