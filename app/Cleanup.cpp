// "Lancer nettoyage": the stale device cleanup, run by the button or by silent start-up.
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Messages.h"
#include "app/StaleNames.h"
#include "inventory/DevicesKey.h"
#include "inventory/SpoolerWitness.h"

namespace {

// "Liste des imprimantes à supprimer : ", CR LF, one line TAB "-" name for each of the first
// `shown` stale names, joined by CR LF; when names are left out, one more line that says how
// many; CR LF, the question.
std::wstring ConfirmationText(const NameList& staleNames, std::int16_t shown) {
  std::wstring lines;
  for (std::int16_t k = 0; k < shown; ++k) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t-";
    lines += staleNames.List(k);
  }
  const int leftOut = staleNames.ListCount() - shown;
  if (leftOut > 0) {
    if (!lines.empty()) lines += L"\r\n";
    lines += messages::kMoreNamesBefore + std::to_wstring(leftOut) +
             (leftOut == 1 ? messages::kMoreNamesAfterOne : messages::kMoreNamesAfterMany);
  }
  return messages::kConfirmationHeader + (L"\r\n" + lines) + L"\r\n" +
         messages::kConfirmationQuestion;
}

// The whole confirmation when the screen holds it; otherwise as many names as it holds, in
// order, and the count of the others, so that the question and its buttons stay on the screen.
// Lengths are tried doubling from one name, then halving the gap: a list of thousands is never
// measured whole, and a dozen small texts are.
std::wstring ConfirmationThatFits(WindowSystem& window, const NameList& staleNames) {
  const auto fits = [&](std::int16_t shown) {
    return window.MsgBoxFitsOnScreen(ConfirmationText(staleNames, shown), messages::kStyleExclamationYesNo);
  };
  const std::int16_t count = staleNames.ListCount();
  int fitting = 0;     // shown names known to fit
  int tooMany = count;  // shown names known not to fit
  for (int shown = 1;; shown *= 2) {
    if (shown >= count) {
      if (fits(count)) return ConfirmationText(staleNames, count);
      break;
    }
    if (!fits(static_cast<std::int16_t>(shown))) {
      tooMany = shown;
      break;
    }
    fitting = shown;
  }
  while (tooMany - fitting > 1) {
    const int middle = (fitting + tooMany) / 2;
    (fits(static_cast<std::int16_t>(middle)) ? fitting : tooMany) = middle;
  }
  return ConfirmationText(staleNames, static_cast<std::int16_t>(fitting));
}

}  // namespace

void Form1::cmdLancer_Click() {
  lstSuppr.Clear();
  {
    // A device is stale when WMI lists no printer of exactly its name and the spooler, asked
    // now, lists none of its name in any case: when the two disagree, the value stays.
    const inventory::SpoolerWitness spooler = AskSpooler();
    for (std::int16_t i : StaleNameIndices(lstRegedit.Items(), lstWMI.Items())) {
      const std::wstring& name = lstRegedit.List(i);
      if (!registry::IsExactlyAddressable(name) || spooler.Lists(name)) continue;
      lstSuppr.AddItem(name);
    }
  }

  if (lstSuppr.ListCount() == 0) {
    if (!SilentMode) {
      window_.MsgBox(messages::kNothingStale, messages::kTitle, messages::kStyleInformationOk);
    }
    return;
  }

  if (!SilentMode) {
    const int answer = window_.MsgBox(ConfirmationThatFits(window_, lstSuppr), messages::kTitle,
                                      messages::kStyleExclamationYesNo);
    if (answer != messages::kAnswerYes) return;  // nothing changes; lstSuppr keeps the names
    // The answer may come long after the question: a printer installed meanwhile keeps its
    // value, and lstSuppr keeps only what is really deleted.
    DropWhatTheSpoolerListsNow();
  }

  // A deletion that fails is silent: the next name is tried all the same.
  for (std::int16_t k = 0; k < lstSuppr.ListCount(); ++k) {
    module1_.DeleteRegValue(inventory::kDevicesRoot, inventory::kDevicesKeyPath, lstSuppr.List(k));
  }

  if (!SilentMode) {
    window_.MsgBox(messages::kCleanupDone, messages::kTitle, messages::kStyleInformationOk);
    // A confirmed cleanup closes the window and ends the program without going back to the
    // event loop.
    window_.Unload();
    window_.End();
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
