#pragma once
// The installed printers as WMI reports them for the local machine, reached late-bound
// through IDispatch: bind the moniker, ExecQuery, enumerate, read Name.
// The calling thread must have COM initialised.
#include "inventory/PrinterSource.h"

namespace inventory {

class WmiPrinterSource final : public PrinterSource {
 public:
  void ForEachPrinterName(const std::function<void(const std::wstring&)>& onName) override;
};

}  // namespace inventory
