#pragma once
// The printer inventory failed on a machine whose Print Spooler service is disabled: it has no
// printing to compare with, and a run there deletes nothing. It is an AppError all the same, so
// that any place that does not expect it still reports an error and deletes nothing.
#include <cstdint>

#include "common/AppError.h"

namespace inventory {

class PrintingTurnedOff : public AppError {
 public:
  static constexpr std::uint32_t kErrorServiceDisabled = 1058;  // ERROR_SERVICE_DISABLED

  PrintingTurnedOff() : AppError(L"le service Spouleur d'impression est désactivé", kErrorServiceDisabled) {}
};

}  // namespace inventory
