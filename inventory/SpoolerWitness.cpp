#include "inventory/SpoolerWitness.h"

#include "common/AppError.h"
#include "inventory/PrintingTurnedOff.h"

namespace inventory {

SpoolerWitness SpoolerWitness::Ask(SpoolerProbe& spooler, bool wmiListedPrinters) {
  SpoolerAnswer answer = spooler.Query();
  SpoolerWitness witness(spooler);
  if (answer.error != 0) {
    if (wmiListedPrinters) return witness;
    if (spooler.ServiceDisabled()) throw PrintingTurnedOff();
    throw AppError(L"l'inventaire des imprimantes n'a pas pu être obtenu : WMI n'en signale "
                   L"aucune et le spouleur d'impression ne répond pas",
                   answer.error);
  }
  witness.keys_.reserve(answer.printers.size());
  for (const std::wstring& printer : answer.printers) witness.keys_.insert(spooler.ComparisonKey(printer));
  return witness;
}

bool SpoolerWitness::Lists(const std::wstring& deviceName) const {
  // Most machines' spoolers list few printers or none: no key to make then.
  if (keys_.empty()) return false;
  return keys_.contains(spooler_->ComparisonKey(deviceName));
}

}  // namespace inventory
