// "Lancer nettoyage": the stale device cleanup, run by the button or by silent start-up.
#include <array>
#include <string>
#include <vector>

#include "app/ExitCodes.h"
#include "app/Form1.h"
#include "app/Messages.h"
#include "app/NameListing.h"
#include "inventory/DevicesKey.h"
#include "inventory/PrintingTurnedOff.h"

namespace {

// Room kept in an event for the line that counts the printers of which only traces are left.
constexpr std::size_t kOrphansCountRoom = 32;

// The event's strings: the count of stale devices and their names one per line, then what
// follows them, then the count and the names of the printers of which only traces were left.
// The names are cut so that the whole event stays within the event log's limit.
std::vector<std::wstring> EventStrings(const std::vector<std::wstring>& names, std::size_t firstOrphan,
                                       const std::vector<std::wstring>& after) {
  const std::vector<std::wstring> devices(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(firstOrphan));
  const std::vector<std::wstring> orphans(names.begin() + static_cast<std::ptrdiff_t>(firstOrphan), names.end());
  std::vector<std::wstring> strings{std::to_wstring(devices.size())};
  strings.insert(strings.end(), after.begin(), after.end());
  strings.push_back(std::to_wstring(orphans.size()));
  std::size_t room = EventLog::kMaxCharacters;
  for (const std::wstring& text : strings) room -= text.size();
  const std::wstring deviceLines = NameLinesUpTo(devices, orphans.empty() ? room : room - kOrphansCountRoom);
  strings.insert(strings.begin() + 1, deviceLines);
  strings.push_back(NameLinesUpTo(orphans, room - deviceLines.size()));
  return strings;
}

// One key where a printer leaves a value of its name, and whether it gives its values up.
struct TraceKey {
  std::wstring path;
  registry::RegStatus refusal = registry::kErrorSuccess;
};

}  // namespace

void Form1::cmdLancer_Click() {
  // A press is a person's: the questions it asks have a deadline of their own.
  questionBudget_.StartAnew();
  try {
    CleanUp();
  } catch (const inventory::PrintingTurnedOff&) {
    // Raised only by the inventory's questions, which all come before the first deletion.
    EndWithPrintingTurnedOff();
  }
}

void Form1::CleanUp() {
  ListStaleNames();

  if (SupprNameIndices().empty()) {
    if (!SilentMode) {
      window_.MsgBox(messages::kNothingStale, messages::kTitle, messages::kStyleInformationOk);
    }
    return;
  }

  if (!SilentMode) {
    const ListedNames listed = Listed(SupprNameIndices());
    const ListingBox confirmation{listed.names, messages::kConfirmationHeader, messages::kConfirmationQuestion,
                                  messages::kFullListInWindow, messages::kStyleExclamationYesNo, listed.firstOrphan,
                                  messages::kOrphansHeading};
    const int answer = window_.MsgBox(ListingBoxTextThatFits(window_, confirmation), messages::kTitle,
                                      confirmation.style);
    if (answer != messages::kAnswerYes) return;  // nothing changes; lstSuppr keeps the names
    // The answer may come long after the question: a printer installed meanwhile keeps its
    // value, and lstSuppr keeps only what is really deleted. Someone answered: a new deadline.
    questionBudget_.StartAnew();
    DropWhatTheSpoolerListsNow();
  }

  const CleanupOutcome outcome = DeleteListedValues();
  // The exit code first: whatever fails after the deletions cannot report them as not done.
  window_.SetExitCode(outcome.notDeleted.empty() ? exit_codes::kDone : exit_codes::kNotAllDeleted);
  // The record is written before anything is shown: a box nobody answers keeps nothing back.
  WriteRecord(outcome);
  if (mode_ == StartMode::Quiet) WriteQuietListing(outcome);

  if (!SilentMode) {
    if (outcome.notDeleted.empty()) {
      window_.MsgBox(messages::kCleanupDone, messages::kTitle, messages::kStyleInformationOk);
    } else {
      const std::wstring code = std::to_wstring(outcome.firstRefusal);
      const std::wstring text = registry_.StatusText(outcome.firstRefusal);
      const std::wstring refusal =
          messages::kRefusalCode + code + (text.empty() ? L"" : messages::kRefusalTextSeparator + text);
      const ListedNames listed = Listed(outcome.notDeleted);
      const ListingBox notDeleted{listed.names, messages::kCleanupDoneExceptHeader, refusal, L"",
                                  messages::kStyleExclamationOk, listed.firstOrphan, messages::kOrphansHeading};
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
  std::array<TraceKey, inventory::kTraceKeyPaths.size()> keys;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    keys[i].path = inventory::kTraceKeyPaths[i];
    // Windows checks the right to delete when a key is opened, not per value: one open tells.
    keys[i].refusal = module1_.DeletionRefusal(inventory::kDevicesRoot, keys[i].path);
  }
  // Every name is tried, whatever became of the others.
  for (std::int16_t k = 0; k < count; ++k) {
    const SupprEntry& entry = supprEntries_[static_cast<std::size_t>(k)];
    if (entry.kind == SupprEntry::Kind::OrphansHeading) continue;
    const std::wstring& name = lstSuppr.List(k);
    // A name's values go together or not at all: a key that refuses deletion and holds a value
    // of this name, or may hold one since it could not be read, keeps them all.
    registry::RegStatus refused = registry::kErrorSuccess;
    for (std::size_t t = 0; t < keys.size() && refused == registry::kErrorSuccess; ++t) {
      if (entry.values[t] != inventory::Presence::NotThere) refused = keys[t].refusal;
    }
    bool deletedNow = false;
    // A device's Devices value comes last: when another of its values cannot go (a deletion
    // refused after its key opened), it stays, and the next run finds the name again.
    for (std::size_t t = 0; t < keys.size() && refused == registry::kErrorSuccess; ++t) {
      if (entry.values[t] == inventory::Presence::NotThere) continue;
      const registry::DeletionResult result = module1_.DeleteRegValue(inventory::kDevicesRoot, keys[t].path, name);
      deletedNow = deletedNow || result.deletedNow;
      if (!result.gone) refused = result.status;
    }
    if (refused != registry::kErrorSuccess) {
      if (outcome.notDeleted.empty()) outcome.firstRefusal = refused;
      outcome.notDeleted.push_back(k);
    } else if (deletedNow) {
      // Only what this run deleted is recorded: values already absent were someone else's.
      outcome.deleted.push_back(k);
    }
  }
  return outcome;
}

void Form1::WriteRecord(const CleanupOutcome& outcome) noexcept {
  try {
    if (!outcome.deleted.empty()) {
      const ListedNames deleted = Listed(outcome.deleted);
      eventLog_.Write(EventLog::Event::Deleted, EventStrings(deleted.names, deleted.firstOrphan, {}));
    }
    if (!outcome.notDeleted.empty()) {
      const ListedNames notDeleted = Listed(outcome.notDeleted);
      eventLog_.Write(EventLog::Event::NotDeleted,
                      EventStrings(notDeleted.names, notDeleted.firstOrphan,
                                   {std::to_wstring(outcome.firstRefusal), registry_.StatusText(outcome.firstRefusal)}));
    }
  } catch (...) {
    // No memory for the record's strings: what was deleted and the exit code stand.
  }
}

void Form1::WriteQuietListing(const CleanupOutcome& outcome) noexcept {
  try {
    std::vector<std::wstring> lines = ListingLines(Listed(outcome.deleted).names);
    for (const std::wstring& name : ListingLines(Listed(outcome.notDeleted).names)) {
      lines.push_back(messages::kNotDeletedMark + name);
    }
    output_.WriteLines(lines);
  } catch (...) {
    // No memory for the listing: the exit code and the record stand.
  }
}
