#pragma once
// The two list fills of start-up: installed printers into lstWMI, registered printer
// devices into lstRegedit.
#include "common/NameList.h"
#include "inventory/PrinterSource.h"
#include "registry/Module1.h"

namespace inventory {

// Appends every installed printer's name to lstWMI, in the source's order. An inventory
// that cannot be obtained raises AppError: an empty lstWMI would make every device stale;
// PrintingTurnedOff when the Print Spooler service is disabled.
void FillWmiList(PrinterSource& printers, SpoolerProbe& spooler, NameList& lstWMI);

// Appends the name of every value under the Devices key to lstRegedit, in the registry's
// order; a missing or empty key leaves the list empty.
void FillRegeditList(registry::Module1& module1, NameList& lstRegedit);

}  // namespace inventory
