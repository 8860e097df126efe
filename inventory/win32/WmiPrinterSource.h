#pragma once
// The installed printers as WMI reports them for the local machine, reached late-bound
// through IDispatch: bind the moniker, ExecQuery, enumerate, read Name.
// The calling thread must have COM initialised. The whole inventory, names included, runs
// within the inventory's deadline.
#include "inventory/PrinterSource.h"
#include "inventory/win32/InventoryDeadline.h"

namespace inventory {

class WmiPrinterSource final : public PrinterSource {
 public:
  explicit WmiPrinterSource(InventoryDeadline& deadline) : deadline_(deadline) {}

  void ForEachPrinterName(const std::function<void(const std::wstring&)>& onName) override;

 private:
  InventoryDeadline& deadline_;
};

}  // namespace inventory
