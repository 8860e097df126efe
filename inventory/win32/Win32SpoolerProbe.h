#pragma once
// Asks the print spooler for its local and connection printers (EnumPrintersW), and compares
// their names as Windows does, ignoring letter case.
#include "inventory/PrinterSource.h"

namespace inventory {

class Win32SpoolerProbe final : public SpoolerProbe {
 public:
  SpoolerAnswer Query() override;
  std::wstring ComparisonKey(const std::wstring& printerName) override;
};

}  // namespace inventory
