#include "common/AppError.h"
#include "inventory/Inventories.h"

namespace inventory {

void FillWmiList(PrinterSource& printers, SpoolerProbe& spooler, NameList& lstWMI) {
  bool anyPrinter = false;
  printers.ForEachPrinterName([&lstWMI, &anyPrinter](const std::wstring& name) {
    lstWMI.AddItem(name);
    anyPrinter = true;
  });
  if (anyPrinter) return;

  // No printer at all is believable only if the spooler itself answers. Otherwise the
  // inventory could not be obtained, and an empty lstWMI would make every device look
  // stale: the silent cleanup would then delete them all.
  const std::uint32_t spoolerError = spooler.Query();
  if (spoolerError != 0) {
    throw AppError(L"l'inventaire des imprimantes n'a pas pu être obtenu : WMI n'en signale "
                   L"aucune et le spouleur d'impression ne répond pas",
                   spoolerError);
  }
}

}  // namespace inventory
