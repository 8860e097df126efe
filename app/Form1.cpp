#include "app/Form1.h"

#include "app/CommandLine.h"
#include "app/ExitCodes.h"
#include "inventory/Inventories.h"

Form1::Form1(Form1Services services, std::wstring argumentText)
    : window_(services.window),
      printers_(services.printers),
      spooler_(services.spooler),
      registry_(services.registry),
      module1_(services.registry),
      eventLog_(services.eventLog),
      output_(services.output),
      argumentText_(std::move(argumentText)) {}

void Form1::Form_Load() {
  const StartMode mode = StartModeOf(argumentText_);
  SilentMode = mode == StartMode::Silent ? -1 : 0;
  // WMI first: if the printer inventory fails, the program ends before the registry is read.
  FillWmiList();
  FillRegeditList();
  if (mode == StartMode::Preview) {
    // The list a silent run would delete, and nothing else: no deletion, no message, no record.
    ListStaleNames();
    output_.WriteLines(lstSuppr.Items());
    if (lstSuppr.ListCount() > 0) window_.SetExitCode(exit_codes::kStaleFound);
    window_.Unload();
  } else if (SilentMode) {
    cmdLancer_Click();
    window_.Unload();
  }
}

void Form1::cmdSortir_Click() { window_.Unload(); }

void Form1::FillWmiList() { inventory::FillWmiList(printers_, spooler_, lstWMI); }

void Form1::FillRegeditList() { inventory::FillRegeditList(module1_, lstRegedit); }
