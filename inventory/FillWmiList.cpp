#include "inventory/Inventories.h"
#include "inventory/SpoolerWitness.h"

namespace inventory {

void FillWmiList(PrinterSource& printers, SpoolerProbe& spooler, NameList& lstWMI) {
  bool anyPrinter = false;
  printers.ForEachPrinterName([&lstWMI, &anyPrinter](const std::wstring& name) {
    lstWMI.AddItem(name);
    anyPrinter = true;
  });
  // No printer at all is believable only if the spooler itself answers; otherwise start-up
  // ends here, before the registry is read.
  if (!anyPrinter) SpoolerWitness::Ask(spooler, /*wmiListedPrinters=*/false);
}

}  // namespace inventory
