#pragma once
// The print spooler as the cleanup's second witness: the printers it lists at one moment,
// looked up the way the spooler compares printer names, ignoring letter case.
#include <string>
#include <unordered_set>

#include "inventory/PrinterSource.h"

namespace inventory {

class SpoolerWitness {
 public:
  // Asks the spooler now. When it does not answer, WMI alone decides if WMI listed printers;
  // if WMI listed none either, the inventory could not be obtained and AppError is raised:
  // an empty inventory would make every device look stale. PrintingTurnedOff when the Print
  // Spooler service is disabled.
  static SpoolerWitness Ask(SpoolerProbe& spooler, bool wmiListedPrinters);

  // Whether the spooler listed a printer of this name, in any letter case.
  bool Lists(const std::wstring& deviceName) const;

 private:
  explicit SpoolerWitness(SpoolerProbe& spooler) : spooler_(&spooler) {}

  SpoolerProbe* spooler_;
  std::unordered_set<std::wstring> keys_;
};

}  // namespace inventory
