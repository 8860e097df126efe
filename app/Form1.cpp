#include "app/Form1.h"

#include "app/ExitCodes.h"
#include "app/Messages.h"
#include "app/NameListing.h"
#include "inventory/Inventories.h"
#include "inventory/PrintingTurnedOff.h"

Form1::Form1(Form1Services services, StartMode mode)
    : window_(services.window),
      printers_(services.printers),
      spooler_(services.spooler),
      questionBudget_(services.questionBudget),
      registry_(services.registry),
      module1_(services.registry),
      eventLog_(services.eventLog),
      output_(services.output),
      mode_(mode) {}

void Form1::Form_Load() {
  SilentMode = mode_ == StartMode::Silent || mode_ == StartMode::Quiet ? -1 : 0;
  try {
    // WMI first: if the printer inventory fails, the program ends before the registry is read.
    FillWmiList();
    FillRegeditList();
    if (mode_ == StartMode::Preview) {
      // The list a silent run would delete, and nothing else: no deletion, no message, no record.
      ListStaleNames();
      const std::vector<std::int16_t> stale = SupprNameIndices();
      output_.WriteLines(ListingLines(Listed(stale).names));
      if (!stale.empty()) window_.SetExitCode(exit_codes::kStaleFound);
    } else if (SilentMode) {
      CleanUp();  // what "Lancer nettoyage" does, with no window to show
    }
  } catch (const inventory::PrintingTurnedOff&) {
    EndWithPrintingTurnedOff();
    return;
  }
  if (mode_ != StartMode::Interactive) window_.Unload();
}

void Form1::EndWithPrintingTurnedOff() {
  // Nothing was deleted. A run nobody watches leaves no trace there, as a run with nothing
  // stale: no box, no record, no listing.
  window_.SetExitCode(exit_codes::kPrintingTurnedOff);
  if (mode_ == StartMode::Interactive) {
    window_.MsgBox(messages::kPrintingTurnedOff, messages::kTitle, messages::kStyleInformationOk);
  }
  window_.Unload();
}

void Form1::cmdSortir_Click() { window_.Unload(); }

void Form1::FillWmiList() { inventory::FillWmiList(printers_, spooler_, lstWMI); }

void Form1::FillRegeditList() { inventory::FillRegeditList(module1_, lstRegedit); }
