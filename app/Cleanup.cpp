// "Lancer nettoyage": the stale device cleanup, run by the button or by silent start-up.
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Messages.h"
#include "app/StaleNames.h"
#include "inventory/DevicesKey.h"
#include "inventory/SpoolerWitness.h"

namespace {

// "Liste des imprimantes à supprimer : ", CR LF, one line TAB "-" name per stale name
// joined by CR LF, CR LF, the question.
std::wstring ConfirmationText(const NameList& staleNames) {
  std::wstring lines;
  for (std::int16_t k = 0; k < staleNames.ListCount(); ++k) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t-";
    lines += staleNames.List(k);
  }
  return messages::kConfirmationHeader + (L"\r\n" + lines) + L"\r\n" +
         messages::kConfirmationQuestion;
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
    const int answer = window_.MsgBox(ConfirmationText(lstSuppr), messages::kTitle,
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
