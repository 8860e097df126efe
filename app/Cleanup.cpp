// "Lancer nettoyage": the stale device cleanup, run by the button or by silent start-up.
#include <array>
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

// One key a stale device leaves a value in, and whether it gives its values up.
struct TraceKey {
  std::wstring path;
  registry::RegStatus refusal = registry::kErrorSuccess;
};
using TraceKeys = std::array<TraceKey, inventory::kTraceKeyPaths.size()>;

// A name's traces go together or not at all: the status of the first key that refuses deletion
// and holds a value of this name, or may hold one since it cannot be read; 0 when none does.
registry::RegStatus RefusalKeepingTraces(registry::Module1& module1, const TraceKeys& keys, const std::wstring& name) {
  for (const TraceKey& key : keys) {
    if (key.refusal != registry::kErrorSuccess &&
        module1.RegValuePresence(inventory::kDevicesRoot, key.path, name) != registry::Module1::Presence::NotThere) {
      return key.refusal;
    }
  }
  return registry::kErrorSuccess;
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
  // Everything the deletions need is made before the first one, the key paths and the
  // outcome's room: from there on nothing asks for memory, so a run that deleted values never
  // ends as one that deleted nothing.
  outcome.deleted.reserve(static_cast<std::size_t>(count));
  outcome.notDeleted.reserve(static_cast<std::size_t>(count));
  TraceKeys keys;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    keys[i].path = inventory::kTraceKeyPaths[i];
    // Windows checks the right to delete when a key is opened, not per value: one open tells.
    keys[i].refusal = module1_.DeletionRefusal(inventory::kDevicesRoot, keys[i].path);
  }
  // Every name is tried, whatever became of the others.
  for (std::int16_t k = 0; k < count; ++k) {
    const std::wstring& name = lstSuppr.List(k);
    registry::RegStatus refused = RefusalKeepingTraces(module1_, keys, name);
    bool deletedNow = false;
    // The Devices value comes last: when another trace cannot go, it stays too.
    for (const TraceKey& key : keys) {
      if (refused != registry::kErrorSuccess) break;
      if (key.refusal != registry::kErrorSuccess) continue;  // read just now: nothing of this name there
      const registry::DeletionResult result = module1_.DeleteRegValue(inventory::kDevicesRoot, key.path, name);
      deletedNow = deletedNow || result.deletedNow;
      if (!result.gone) refused = result.status;
    }
    // Only what this run deleted is recorded: a value already absent was someone else's.
    if (deletedNow) outcome.deleted.push_back(k);
    if (refused != registry::kErrorSuccess) {
      if (outcome.notDeleted.empty()) outcome.firstRefusal = refused;
      outcome.notDeleted.push_back(k);
    }
  }
  return outcome;
}

std::vector<std::wstring> Form1::SupprNames(const std::vector<std::int16_t>& indices) const {
  std::vector<std::wstring> names;
  names.reserve(indices.size());
  for (std::int16_t k : indices) names.push_back(lstSuppr.List(k));
  return names;
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
