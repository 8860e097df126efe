#include "app/Form1.h"

#include "app/CommandLine.h"
#include "inventory/Inventories.h"

Form1::Form1(Form1Services services, std::wstring argumentText)
    : window_(services.window),
      printers_(services.printers),
      spooler_(services.spooler),
      registry_(services.registry),
      module1_(services.registry),
      eventLog_(services.eventLog),
      argumentText_(std::move(argumentText)) {}

void Form1::Form_Load() {
  SilentMode = IsSilentArgument(argumentText_) ? -1 : 0;
  // WMI first: if the printer inventory fails, the program ends before the registry is read.
  FillWmiList();
  FillRegeditList();
  if (SilentMode) {
    cmdLancer_Click();
    window_.Unload();
  }
}

void Form1::cmdSortir_Click() { window_.Unload(); }

void Form1::FillWmiList() { inventory::FillWmiList(printers_, spooler_, lstWMI); }

void Form1::FillRegeditList() { inventory::FillRegeditList(module1_, lstRegedit); }
