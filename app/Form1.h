#pragma once
// Form1, the program's one window, as logic: its three name lists, the SilentMode flag and
// its event handlers. The Win32 window (app/win32) shows it and routes events to it.
#include <cstdint>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/EventLog.h"
#include "app/StandardOutput.h"
#include "app/WindowSystem.h"
#include "common/NameList.h"
#include "inventory/PrinterSource.h"
#include "inventory/SpoolerWitness.h"
#include "registry/Module1.h"

// What Form1 talks to: the window system, the printer inventory, the registry, the record
// left for the administrators and the standard output a preview writes to.
struct Form1Services {
  WindowSystem& window;
  inventory::PrinterSource& printers;
  inventory::SpoolerProbe& spooler;
  registry::RegistryApi& registry;
  EventLog& eventLog;
  StandardOutput& output;
};

class Form1 {
 public:
  Form1(Form1Services services, StartMode mode);

  NameList lstWMI{L"lstWMI"};
  NameList lstRegedit{L"lstRegedit"};
  NameList lstSuppr{L"lstSuppr"};

  // 16-bit Boolean: -1 true, 0 false. Set once by Form_Load: true for "/s" and "/q".
  std::int16_t SilentMode = 0;

  // Runs once before the window is first shown: mode, WMI list, registry list, and in
  // silent mode the cleanup and the unload. A preview lists the stale names on the standard
  // output instead of deleting them, and unloads. On a machine whose Print Spooler service is
  // disabled, the run ends with code 4 and deletes nothing; only the window says so.
  void Form_Load();
  // "Lancer nettoyage": find the stale device names, confirm, delete each with its traces
  // under PrinterPorts, DevModes2 and DevModePerUser, record and report. A name that the
  // spooler lists, or that the registry cannot be given exactly, is never stale. Values that
  // Windows refuses to delete are reported, and the program ends with code 2.
  void cmdLancer_Click();
  // "Sortir" and the close box.
  void cmdSortir_Click();

 private:
  // What became of the deletions of one cleanup: indices into lstSuppr, in its order. A name is
  // gone when its Devices value and its other traces all are.
  struct CleanupOutcome {
    std::vector<std::int16_t> deleted;     // at least one of its values deleted by this run
    std::vector<std::int16_t> notDeleted;  // its Devices value still there: Windows refused
    registry::RegStatus firstRefusal = registry::kErrorSuccess;
  };

  void FillWmiList();
  void FillRegeditList();
  void CleanUp();
  // Ends a run whose printer inventory failed because printing is turned off on this machine.
  void EndWithPrintingTurnedOff();
  // Fills lstSuppr anew with the stale names, as the cleanup deletes them.
  void ListStaleNames();
  // The spooler's printers now; see inventory::SpoolerWitness::Ask.
  inventory::SpoolerWitness AskSpooler();
  // Takes out of lstSuppr every name the spooler lists now.
  void DropWhatTheSpoolerListsNow();
  CleanupOutcome DeleteListedValues();
  // The names of lstSuppr at these indices.
  std::vector<std::wstring> SupprNames(const std::vector<std::int16_t>& indices) const;
  // The event log's record of a cleanup; a record that cannot be made changes nothing else.
  void WriteRecord(const CleanupOutcome& outcome) noexcept;

  WindowSystem& window_;
  inventory::PrinterSource& printers_;
  inventory::SpoolerProbe& spooler_;
  registry::RegistryApi& registry_;
  registry::Module1 module1_;
  EventLog& eventLog_;
  StandardOutput& output_;
  StartMode mode_;
};
