#pragma once
// Form1, the program's one window, as logic: its three name lists, the SilentMode flag and
// its event handlers. The Win32 window (app/win32) shows it and routes events to it.
#include <cstdint>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/EventLog.h"
#include "app/NameListing.h"
#include "app/StandardOutput.h"
#include "app/WindowSystem.h"
#include "common/NameList.h"
#include "inventory/PrinterSource.h"
#include "inventory/PrinterTraces.h"
#include "inventory/SpoolerWitness.h"
#include "registry/Module1.h"

// What Form1 talks to: the window system, the printer inventory, the registry, the record
// left for the administrators and the standard output a preview writes to.
struct Form1Services {
  WindowSystem& window;
  inventory::PrinterSource& printers;
  inventory::SpoolerProbe& spooler;
  inventory::QuestionBudget& questionBudget;
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
  // "Lancer nettoyage": find the stale device names, and the printers of which only traces are
  // left (values under PrinterPorts, DevModes2 or DevModePerUser, none under Devices), confirm,
  // delete each name's values together, record and report. A name that an installed printer
  // has, or that the registry cannot be given exactly, is never deleted; nor are an installed
  // printer's preferences, in any spelling. Values that Windows refuses to delete are reported,
  // and the program ends with code 2.
  void cmdLancer_Click();
  // "Sortir" and the close box.
  void cmdSortir_Click();

 private:
  // What lstSuppr's entry of the same index is, and where its values to delete are.
  struct SupprEntry {
    enum class Kind : std::uint8_t { Device, OrphansHeading, Orphan };
    Kind kind = Kind::Device;
    // Per trace key, as read when the list was made.
    inventory::PrinterTraces::Values values{};
  };

  // What became of the deletions of one cleanup: indices into lstSuppr, in its order. A name is
  // gone when all its values are.
  struct CleanupOutcome {
    std::vector<std::int16_t> deleted;     // all its values gone, at least one deleted by this run
    std::vector<std::int16_t> notDeleted;  // some of its values still there: Windows refused
    registry::RegStatus firstRefusal = registry::kErrorSuccess;
  };

  void FillWmiList();
  void FillRegeditList();
  void CleanUp();
  // Ends a run whose printer inventory failed because printing is turned off on this machine.
  void EndWithPrintingTurnedOff();
  // Fills lstSuppr anew with what the cleanup deletes: the stale devices, then the printers of
  // which only traces are left under their heading, as many as the list holds.
  void ListStaleNames();
  void AddToSuppr(const std::wstring& name, const SupprEntry& entry);
  // The indices of lstSuppr's names, its heading left out.
  std::vector<std::int16_t> SupprNameIndices() const;
  // The names of lstSuppr at these indices: the stale devices', then from firstOrphan on the
  // names of which only traces are left.
  struct ListedNames {
    std::vector<std::wstring> names;
    std::size_t firstOrphan = 0;
  };
  ListedNames Listed(const std::vector<std::int16_t>& indices) const;
  // The spooler's printers now; see inventory::SpoolerWitness::Ask.
  inventory::SpoolerWitness AskSpooler();
  // Takes out of lstSuppr every name the spooler lists now.
  void DropWhatTheSpoolerListsNow();
  CleanupOutcome DeleteListedValues();
  // "/q" with a redirected standard output: the names deleted, then those that could not be.
  void WriteQuietListing(const CleanupOutcome& outcome) noexcept;
  // The event log's record of a cleanup; a record that cannot be made changes nothing else.
  void WriteRecord(const CleanupOutcome& outcome) noexcept;

  WindowSystem& window_;
  inventory::PrinterSource& printers_;
  inventory::SpoolerProbe& spooler_;
  inventory::QuestionBudget& questionBudget_;
  registry::RegistryApi& registry_;
  registry::Module1 module1_;
  EventLog& eventLog_;
  StandardOutput& output_;
  StartMode mode_;
  std::vector<SupprEntry> supprEntries_;  // one per entry of lstSuppr
};
