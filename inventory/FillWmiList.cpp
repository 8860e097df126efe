#include "inventory/Inventories.h"
#include "inventory/PrintingTurnedOff.h"
#include "inventory/SpoolerWitness.h"

namespace inventory {

void FillWmiList(PrinterSource& printers, SpoolerProbe& spooler, NameList& lstWMI) {
  bool anyPrinter = false;
  try {
    printers.ForEachPrinterName([&lstWMI, &anyPrinter](const std::wstring& name) {
      lstWMI.AddItem(name);
      anyPrinter = true;
    });
  } catch (const AppError&) {
    // Where the Print Spooler service is disabled, WMI fails for want of it (0x80041001).
    if (spooler.ServiceDisabled()) throw PrintingTurnedOff();
    throw;
  }
  // No printer at all is believable only if the spooler itself answers; otherwise start-up
  // ends here, before the registry is read.
  if (!anyPrinter) SpoolerWitness::Ask(spooler, /*wmiListedPrinters=*/false);
}

}  // namespace inventory
