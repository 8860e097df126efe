#pragma once
// Asks the print spooler for its local and connection printers (EnumPrintersW), each time
// within the inventory's deadline, and compares their names as Windows does, ignoring letter
// case. The service manager tells whether the Print Spooler service is disabled.
#include "inventory/PrinterSource.h"
#include "inventory/win32/InventoryDeadline.h"

namespace inventory {

class Win32SpoolerProbe final : public SpoolerProbe {
 public:
  explicit Win32SpoolerProbe(const InventoryDeadline& deadline) : deadline_(deadline) {}

  SpoolerAnswer Query() override;
  std::wstring ComparisonKey(const std::wstring& printerName) override;
  bool ServiceDisabled() override;

 private:
  const InventoryDeadline& deadline_;
};

}  // namespace inventory
