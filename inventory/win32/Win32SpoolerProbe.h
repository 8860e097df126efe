#pragma once
// Asks the print spooler for its local and connection printers (EnumPrintersW).
#include "inventory/PrinterSource.h"

namespace inventory {

class Win32SpoolerProbe final : public SpoolerProbe {
 public:
  std::uint32_t Query() override;
};

}  // namespace inventory
