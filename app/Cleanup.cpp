// "Lancer nettoyage": the stale device cleanup, run by the button or by silent start-up.
#include <string>
#include <vector>

#include "app/ExitCodes.h"
#include "app/Form1.h"
#include "app/Messages.h"
#include "app/NameListing.h"
#include "app/StaleNames.h"
#include "inventory/DevicesKey.h"
#include "inventory/PrintingTurnedOff.h"
#include "inventory/SpoolerWitness.h"

namespace {

// The event's strings: the count, then the names one per line, then what follows them; the
// names are cut so that the whole event stays within the event log's limit.
std::vector<std::wstring> EventStrings(const std::vector<std::wstring>& names, std::vector<std::wstring> after) {
  std::vector<std::wstring> strings{std::to_wstring(names.size())};
  std::size_t used = strings[0].size();
  for (const std::wstring& text : after) used += text.size();
  strings.push_back(NameLinesUpTo(names, EventLog::kMaxCharacters - used));
  strings.insert(strings.end(), after.begin(), after.end());
  return strings;
}

}  // namespace

void Form1::ListStaleNames() {
  lstSuppr.Clear();
  // A device is stale when WMI lists no printer of exactly its name and the spooler, asked
  // now, lists none of its name in any case: when the two disagree, the value stays.
  const inventory::SpoolerWitness spooler = AskSpooler();
  for (std::int16_t i : StaleNameIndices(lstRegedit.Items(), lstWMI.Items())) {
    const std::wstring& name = lstRegedit.List(i);
    if (!registry::IsExactlyAddressable(name) || spooler.Lists(name)) continue;
    lstSuppr.AddItem(name);
  }
}

void Form1::cmdLancer_Click() {
  try {
    CleanUp();
  } catch (const inventory::PrintingTurnedOff&) {
    // Raised only by the inventory's questions, which all come before the first deletion.
    EndWithPrintingTurnedOff();
  }
}

void Form1::CleanUp() {
  ListStaleNames();

  if (lstSuppr.ListCount() == 0) {
    if (!SilentMode) {
      window_.MsgBox(messages::kNothingStale, messages::kTitle, messages::kStyleInformationOk);
    }
    return;
  }

  if (!SilentMode) {
    const ListingBox confirmation{lstSuppr.Items(), messages::kConfirmationHeader,
                                  messages::kConfirmationQuestion, messages::kFullListInWindow,
                                  messages::kStyleExclamationYesNo};
    const int answer = window_.MsgBox(ListingBoxTextThatFits(window_, confirmation), messages::kTitle,
                                      confirmation.style);
    if (answer != messages::kAnswerYes) return;  // nothing changes; lstSuppr keeps the names
    // The answer may come long after the question: a printer installed meanwhile keeps its
    // value, and lstSuppr keeps only what is really deleted.
    DropWhatTheSpoolerListsNow();
  }

  const CleanupOutcome outcome = DeleteListedValues();
  // The exit code first: whatever fails after the deletions cannot report them as not done.
  window_.SetExitCode(outcome.notDeleted.empty() ? exit_codes::kDone : exit_codes::kNotAllDeleted);
  // The record is written before anything is shown: a box nobody answers keeps nothing back.
  WriteRecord(outcome);

  if (!SilentMode) {
    if (outcome.notDeleted.empty()) {
      window_.MsgBox(messages::kCleanupDone, messages::kTitle, messages::kStyleInformationOk);
    } else {
      const std::wstring code = std::to_wstring(outcome.firstRefusal);
      const std::wstring text = registry_.StatusText(outcome.firstRefusal);
      const std::wstring refusal =
          messages::kRefusalCode + code + (text.empty() ? L"" : messages::kRefusalTextSeparator + text);
      const std::vector<std::wstring> names = SupprNames(outcome.notDeleted);
      const ListingBox notDeleted{names, messages::kCleanupDoneExceptHeader, refusal, L"",
                                  messages::kStyleExclamationOk};
      window_.MsgBox(ListingBoxTextThatFits(window_, notDeleted), messages::kTitle, notDeleted.style);
    }
    // A confirmed cleanup closes the window and ends the program without going back to the
    // event loop.
    window_.Unload();
    window_.End();
  }
}

Form1::CleanupOutcome Form1::DeleteListedValues() {
  CleanupOutcome outcome;
  const std::int16_t count = lstSuppr.ListCount();
  // Reserved before the first deletion: from there on nothing asks for memory, so a run that
  // deleted values never ends as one that deleted nothing.
  outcome.deleted.reserve(static_cast<std::size_t>(count));
  outcome.notDeleted.reserve(static_cast<std::size_t>(count));
  // Windows checks the right to delete when a key is opened. A Devices key the user may not
  // change keeps every device, so every twin must stay too: no PrinterPorts value goes whose
  // device stays.
  if (const registry::RegStatus refused = module1_.DeletionRefusal(inventory::kDevicesRoot, inventory::kDevicesKeyPath);
      refused != registry::kErrorSuccess) {
    outcome.firstRefusal = refused;
    for (std::int16_t k = 0; k < count; ++k) outcome.notDeleted.push_back(k);
    return outcome;
  }
  // Every name is tried, whatever became of the others.
  for (std::int16_t k = 0; k < count; ++k) {
    const std::wstring& name = lstSuppr.List(k);
    // The PrinterPorts twin goes first: when it cannot, the Devices value stays too, and the
    // next run finds the name and tries both again.
    const registry::DeletionResult twin = DeleteTwin(name);
    const registry::DeletionResult device =
        twin.gone ? module1_.DeleteRegValue(inventory::kDevicesRoot, inventory::kDevicesKeyPath, name) : twin;
    if (device.gone) {
      // Only what this run deleted is recorded: a value already absent was someone else's.
      if (twin.deletedNow || device.deletedNow) outcome.deleted.push_back(k);
      continue;
    }
    if (outcome.notDeleted.empty()) outcome.firstRefusal = device.status;
    outcome.notDeleted.push_back(k);
  }
  return outcome;
}

std::vector<std::wstring> Form1::SupprNames(const std::vector<std::int16_t>& indices) const {
  std::vector<std::wstring> names;
  names.reserve(indices.size());
  for (std::int16_t k : indices) names.push_back(lstSuppr.List(k));
  return names;
}

registry::DeletionResult Form1::DeleteTwin(const std::wstring& name) {
  const registry::DeletionResult twin =
      module1_.DeleteRegValue(inventory::kDevicesRoot, inventory::kPrinterPortsKeyPath, name);
  // A twin that is not there never blocks its device, even in a key the user may not change;
  // only reading it tells "not there" from "refused".
  if (twin.gone || module1_.RegValuePresence(inventory::kDevicesRoot, inventory::kPrinterPortsKeyPath, name) !=
                       registry::Module1::Presence::NotThere) {
    return twin;
  }
  return {true, false, registry::kErrorSuccess};
}

void Form1::WriteRecord(const CleanupOutcome& outcome) noexcept {
  try {
    if (!outcome.deleted.empty()) {
      eventLog_.Write(EventLog::Event::Deleted, EventStrings(SupprNames(outcome.deleted), {}));
    }
    if (!outcome.notDeleted.empty()) {
      eventLog_.Write(EventLog::Event::NotDeleted,
                      EventStrings(SupprNames(outcome.notDeleted), {std::to_wstring(outcome.firstRefusal),
                                                                    registry_.StatusText(outcome.firstRefusal)}));
    }
  } catch (...) {
    // No memory for the record's strings: what was deleted and the exit code stand.
  }
}

inventory::SpoolerWitness Form1::AskSpooler() {
  return inventory::SpoolerWitness::Ask(spooler_, lstWMI.ListCount() > 0);
}

void Form1::DropWhatTheSpoolerListsNow() {
  const inventory::SpoolerWitness spooler = AskSpooler();
  std::vector<std::wstring> stillStale;
  for (std::int16_t k = 0; k < lstSuppr.ListCount(); ++k) {
    if (!spooler.Lists(lstSuppr.List(k))) stillStale.push_back(lstSuppr.List(k));
  }
  if (stillStale.size() == static_cast<std::size_t>(lstSuppr.ListCount())) return;
  lstSuppr.Clear();
  for (std::wstring& name : stillStale) lstSuppr.AddItem(std::move(name));
}
