// What a cleanup deletes, as lstSuppr lists it: the stale devices, then the printers of which
// only traces are left.
#include <string>
#include <unordered_set>
#include <vector>

#include "app/Form1.h"
#include "app/Messages.h"
#include "app/StaleNames.h"

void Form1::ListStaleNames() {
  lstSuppr.Clear();
  supprEntries_.clear();
  // A device is stale when WMI lists no printer of exactly its name and the spooler, asked
  // now, lists none of its name in any case: when the two disagree, the value stays.
  const inventory::SpoolerWitness spooler = AskSpooler();
  const inventory::PrinterTraces traces = inventory::PrinterTraces::Read(module1_);
  // The names as the registry compares them: under any key, a value of an installed printer's
  // name in another spelling is that printer's value.
  std::unordered_set<std::wstring> installed;
  for (const std::wstring& printer : lstWMI.Items()) installed.insert(module1_.ComparisonKey(printer));
  std::unordered_set<std::wstring> registered;
  for (const std::wstring& device : lstRegedit.Items()) registered.insert(module1_.ComparisonKey(device));

  for (std::int16_t i : StaleNameIndices(lstRegedit.Items(), lstWMI.Items())) {
    const std::wstring& name = lstRegedit.List(i);
    if (!registry::IsExactlyAddressable(name) || spooler.Lists(name)) continue;
    const std::wstring key = module1_.ComparisonKey(name);
    // A stale spelling of an installed printer's name: Windows writes its Devices and
    // PrinterPorts values again in the printer's spelling, but never its preferences.
    AddToSuppr(name, {SupprEntry::Kind::Device, traces.ToDelete(key, installed.contains(key))});
  }

  // A name with values beside Devices and none under it: a printer that is gone, unless an
  // installed printer or a device listed at start-up has its name in any spelling.
  bool headed = false;
  for (const inventory::PrinterTraces::Name& trace : traces.NamesWithoutDevice()) {
    // What the list cannot hold is left for the next run, once these are gone.
    if (lstSuppr.ListCount() >= NameList::kMaxCount - (headed ? 0 : 1)) break;
    if (registered.contains(trace.key) || installed.contains(trace.key) || spooler.Lists(trace.name)) continue;
    if (!headed) AddToSuppr(messages::kOrphansHeading, {SupprEntry::Kind::OrphansHeading, {}});
    headed = true;
    AddToSuppr(trace.name, {SupprEntry::Kind::Orphan, traces.ToDelete(trace.key, false)});
  }
}

void Form1::AddToSuppr(const std::wstring& name, const SupprEntry& entry) {
  lstSuppr.AddItem(name);
  supprEntries_.push_back(entry);
}

std::vector<std::int16_t> Form1::SupprNameIndices() const {
  std::vector<std::int16_t> indices;
  for (std::int16_t k = 0; k < lstSuppr.ListCount(); ++k) {
    if (supprEntries_[static_cast<std::size_t>(k)].kind != SupprEntry::Kind::OrphansHeading) indices.push_back(k);
  }
  return indices;
}

Form1::ListedNames Form1::Listed(const std::vector<std::int16_t>& indices) const {
  ListedNames listed;
  for (SupprEntry::Kind kind : {SupprEntry::Kind::Device, SupprEntry::Kind::Orphan}) {
    if (kind == SupprEntry::Kind::Orphan) listed.firstOrphan = listed.names.size();
    for (std::int16_t k : indices) {
      if (supprEntries_[static_cast<std::size_t>(k)].kind == kind) listed.names.push_back(lstSuppr.List(k));
    }
  }
  return listed;
}

inventory::SpoolerWitness Form1::AskSpooler() {
  return inventory::SpoolerWitness::Ask(spooler_, lstWMI.ListCount() > 0);
}

void Form1::DropWhatTheSpoolerListsNow() {
  const inventory::SpoolerWitness spooler = AskSpooler();
  const std::vector<std::int16_t> listed = SupprNameIndices();
  std::vector<std::int16_t> kept;
  for (std::int16_t k : listed) {
    if (!spooler.Lists(lstSuppr.List(k))) kept.push_back(k);
  }
  if (kept.size() == listed.size()) return;
  const std::vector<std::wstring> names = lstSuppr.Items();
  const std::vector<SupprEntry> entries = supprEntries_;
  lstSuppr.Clear();
  supprEntries_.clear();
  for (std::int16_t k : kept) {
    const SupprEntry& entry = entries[static_cast<std::size_t>(k)];
    if (entry.kind == SupprEntry::Kind::Orphan && (supprEntries_.empty() || supprEntries_.back().kind == SupprEntry::Kind::Device)) {
      AddToSuppr(messages::kOrphansHeading, {SupprEntry::Kind::OrphansHeading, {}});
    }
    AddToSuppr(names[static_cast<std::size_t>(k)], entry);
  }
}
