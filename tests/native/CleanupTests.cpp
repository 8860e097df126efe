// "Lancer nettoyage" through Form1, from start-up, against the in-memory registry, printer
// source and window system.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/EventLog.h"
#include "app/Form1.h"
#include "common/AppError.h"
#include "inventory/DevicesKey.h"
#include "support/FakeRegistry.h"
#include "support/FakeWindowSystem.h"
#include "support/Journal.h"
#include "support/ProgramStart.h"

namespace {

constexpr std::uint32_t kKeySetValue = 0x0002;
// Where a printer device leaves a value of its name, in the order the cleanup deletes them.
const std::wstring kTraceKeys[] = {inventory::kPrinterPortsKeyPath, L"Printers\\DevModes2",
                                   L"Printers\\DevModePerUser", inventory::kDevicesKeyPath};
constexpr wchar_t kTitle[] = L"Message QUORVANE";
constexpr wchar_t kNothingStale[] = L"Il n'y a pas de mauvaise clés dans la base de registre ...";
constexpr wchar_t kDone[] = L"Nettoyage terminé !";
constexpr int kStyleExclamationYesNo = 52;
constexpr int kStyleInformationOk = 64;

std::wstring Confirmation(const std::wstring& lines) {
  return L"Liste des imprimantes à supprimer : \r\n" + lines +
         L"\r\nVoulez-vous supprimer ces lignes maintenant ?";
}

// A user's session: the Devices key holds registryNames, the printer source serves
// printerNames, and the window has been loaded with argumentText.
class Session : public ProgramStart {
 public:
  Session(const std::vector<std::wstring>& registryNames, std::vector<std::wstring> printerNames,
          const std::wstring& argumentText = L"")
      : ProgramStart(registryNames, std::move(printerNames), argumentText) {
    form->Form_Load();
    // What start-up did is the other tests' business.
    journal.clear();
    callsAtStartUp = registry.Calls().size();
  }

  // The registry calls made since start-up, of one kind.
  std::vector<FakeRegistry::Call> CallsSinceStartUp(FakeRegistry::CallKind kind) const {
    std::vector<FakeRegistry::Call> calls;
    for (std::size_t k = callsAtStartUp; k < registry.Calls().size(); ++k) {
      if (registry.Calls()[k].kind == kind) calls.push_back(registry.Calls()[k]);
    }
    return calls;
  }
  // Nothing deleted, and no key opened to change it, since start-up: the cleanup only read.
  bool RegistryUnchangedSinceStartUp() const {
    for (const FakeRegistry::Call& open : CallsSinceStartUp(FakeRegistry::CallKind::Open)) {
      if (open.access == kKeySetValue) return false;
    }
    return CallsSinceStartUp(FakeRegistry::CallKind::Delete).empty();
  }

  std::vector<std::wstring> Suppr() const { return form->lstSuppr.Items(); }
  std::size_t WriteOpens() const {
    std::size_t opens = 0;
    for (const auto& call : registry.CallsOf(FakeRegistry::CallKind::Open)) {
      opens += call.access == kKeySetValue && call.path == inventory::kDevicesKeyPath;
    }
    return opens;
  }

  std::size_t callsAtStartUp = 0;
};

}  // namespace

TEST(Cleanup, ConfirmationListsEachStaleNameOnItsOwnTabDashLineOrAsManyAsTheScreenHolds) {
  struct Case {
    const char* what;
    std::vector<std::wstring> registryNames;
    std::vector<std::wstring> printerNames;
    std::wstring expectedText;
    std::size_t screenLines = static_cast<std::size_t>(-1);
  };
  const std::vector<std::wstring> five = {L"A1", L"A2", L"A3", L"A4", L"A5"};
  const Case cases[] = {
      {"one stale name", {L"Ancienne", L"Active"}, {L"Active"},
       L"Liste des imprimantes à supprimer : \r\n\t-Ancienne\r\nVoulez-vous supprimer ces lignes maintenant ?"},
      {"two stale names", {L"Ancienne", L"Active", L"\\\\SERVER\\Queue"}, {L"Active"},
       L"Liste des imprimantes à supprimer : \r\n\t-Ancienne\r\n\t-\\\\SERVER\\Queue\r\n"
       L"Voulez-vous supprimer ces lignes maintenant ?"},
      {"the empty name alone", {L"", L"Active"}, {L"Active"},
       L"Liste des imprimantes à supprimer : \r\n\t-\r\nVoulez-vous supprimer ces lignes maintenant ?"},
      {"the empty name first", {L"", L"Ancienne"}, {},
       L"Liste des imprimantes à supprimer : \r\n\t-\r\n\t-Ancienne\r\nVoulez-vous supprimer ces lignes maintenant ?"},
      {"the empty name last", {L"Ancienne", L""}, {L"Active"},
       L"Liste des imprimantes à supprimer : \r\n\t-Ancienne\r\n\t-\r\nVoulez-vous supprimer ces lignes maintenant ?"},
      {"names kept as they are", {L" Bord ", L"Imprimante Été 東京"}, {L"Bord"},
       Confirmation(L"\t- Bord \r\n\t-Imprimante Été 東京")},
      {"what could show another name shown as '?'", {L"Canon\u202Etxt.exe", L"HP\u200B", L"A\r\nB"}, {},
       Confirmation(L"\t-Canon?txt.exe\r\n\t-HP?\r\n\t-A??B")},
      {"five names, exactly room for all", five, {}, Confirmation(L"\t-A1\r\n\t-A2\r\n\t-A3\r\n\t-A4\r\n\t-A5"), 7},
      {"five names, room for six lines", five, {},
       Confirmation(L"\t-A1\r\n\t-A2\r\n\t-A3\r\n\t… et 2 autres (liste complète dans la fenêtre)"), 6},
      {"five names, room for four lines", five, {},
       Confirmation(L"\t-A1\r\n\t… et 4 autres (liste complète dans la fenêtre)"), 4},
      {"five names, room for no name", five, {},
       Confirmation(L"\t… et 5 autres (liste complète dans la fenêtre)"), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session session(c.registryNames, c.printerNames);
    session.window.screenLines = c.screenLines;
    session.window.AnswerNext(FakeWindowSystem::kIdNo);
    session.form->cmdLancer_Click();
    ASSERT_EQ(session.window.boxes.size(), 1u);
    EXPECT_EQ(session.window.boxes[0].text, c.expectedText);
    EXPECT_EQ(session.window.boxes[0].title, kTitle);
    EXPECT_EQ(session.window.boxes[0].style, kStyleExclamationYesNo);
  }
}

TEST(Cleanup, NothingStaleSaysSoInteractivelyAndDeletesNothing) {
  struct Case {
    const char* what;
    std::vector<std::wstring> registryNames;
    std::vector<std::wstring> printerNames;
    void (*afterStartUp)(FakeRegistry&) = [](FakeRegistry&) {};
  };
  const Case cases[] = {
      {"both lists empty", {}, {}},
      {"every registry name installed", {L"B", L"\\\\SERVER\\Queue", L"A"}, {L"A", L"B", L"\\\\SERVER\\Queue"}},
      {"a registry name listed twice, installed", {L"A", L"A"}, {L"A"}},
      {"no registry name, printers installed", {}, {L"A", L"B"}},
      // Values beside Devices that may not be a printer's that is gone.
      {"a name that cannot be given exactly", {}, {L"A"},
       [](FakeRegistry& r) { r.AddValue(inventory::kDevicesRoot, kTraceKeys[1], std::wstring(L"A\0B", 3)); }},
      {"Devices unreadable now", {}, {L"A"}, [](FakeRegistry& r) {
         r.AddValue(inventory::kDevicesRoot, kTraceKeys[0], L"B");
         r.RefuseAccess(inventory::kDevicesKeyPath, registry::kKeyRead);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session session(c.registryNames, c.printerNames);
    c.afterStartUp(session.registry);
    session.form->cmdLancer_Click();
    ASSERT_EQ(session.window.boxes.size(), 1u);
    EXPECT_EQ(session.window.boxes[0].text, kNothingStale);
    EXPECT_EQ(session.window.boxes[0].title, kTitle);
    EXPECT_EQ(session.window.boxes[0].style, kStyleInformationOk);
    EXPECT_TRUE(session.Suppr().empty());
    EXPECT_TRUE(session.RegistryUnchangedSinceStartUp()) << "the registry was touched";
    EXPECT_EQ(session.window.unloads, 0) << "the window must stay open";
    EXPECT_EQ(session.window.ends, 0);
    EXPECT_EQ(session.Devices(), c.registryNames);
  }
}

TEST(Cleanup, NothingStaleInSilentModeShowsNothingAndChangesNothing) {
  for (const auto& [registryNames, printerNames] :
       std::vector<std::pair<std::vector<std::wstring>, std::vector<std::wstring>>>{
           {{}, {}}, {{L"A", L"B"}, {L"B", L"A"}}}) {
    Session session(registryNames, printerNames, L"/s");
    EXPECT_TRUE(session.window.boxes.empty());
    EXPECT_TRUE(session.registry.CallsOf(FakeRegistry::CallKind::Delete).empty());
    EXPECT_EQ(session.WriteOpens(), 0u);
    EXPECT_EQ(session.Devices(), registryNames);
    EXPECT_TRUE(session.Suppr().empty());
    EXPECT_EQ(session.window.unloads, 1) << "silent start-up closes the window";
    EXPECT_EQ(session.window.ends, 0);
  }
}

TEST(Cleanup, ANameMatchesOnlyAnInstalledPrinterOfExactlyTheSameText) {
  Session session({L"HP LaserJet", L"hp laserjet", L"HP LaserJet ", L" HP LaserJet", L"HP LaserJet\t",
                   L"HP", L"HP LaserJet 4250", L"Imprimante été", L"Imprimante Été", L""},
                  {L"HP LaserJet", L"Imprimante Été", L"HP LaserJet 42"});
  session.form->cmdLancer_Click();
  EXPECT_EQ(session.Suppr(), (std::vector<std::wstring>{L"hp laserjet", L"HP LaserJet ", L" HP LaserJet",
                                                         L"HP LaserJet\t", L"HP", L"HP LaserJet 4250",
                                                         L"Imprimante été", L""}));
}

TEST(Cleanup, AnEmptyPrinterListMakesEveryRegistryNameStaleInRegistryOrder) {
  Session session({L"Zèbre", L"Alpha", L"", L"Alpha", L"\\\\SERVER\\Queue"}, {});
  session.form->cmdLancer_Click();
  EXPECT_EQ(session.Suppr(), session.form->lstRegedit.Items());
  EXPECT_EQ(session.Suppr().size(), 5u);
}

TEST(Cleanup, PressingTheButtonAgainRecomputesTheSameListRatherThanAddingToIt) {
  Session session({L"Ancienne", L"Active", L"Perdue"}, {L"Active"});
  session.window.AnswerNext(FakeWindowSystem::kIdNo);
  session.window.AnswerNext(FakeWindowSystem::kIdNo);
  session.form->cmdLancer_Click();
  const std::vector<std::wstring> first = session.Suppr();
  session.form->cmdLancer_Click();
  EXPECT_EQ(first, (std::vector<std::wstring>{L"Ancienne", L"Perdue"}));
  EXPECT_EQ(session.Suppr(), first);
  ASSERT_EQ(session.window.boxes.size(), 2u);
  EXPECT_EQ(session.window.boxes[1].text, session.window.boxes[0].text);
  EXPECT_EQ(session.window.boxes[1].text, Confirmation(L"\t-Ancienne\r\n\t-Perdue"));
}

TEST(Cleanup, AnyAnswerButYesDeletesNothingAndKeepsTheWindowAndTheList) {
  const struct {
    const char* what;
    int answer;
  } answers[] = {{"No", FakeWindowSystem::kIdNo}, {"OK", 1}, {"Cancel", 2}, {"closed box", 0}};
  for (const auto& a : answers) {
    SCOPED_TRACE(a.what);
    Session session({L"Ancienne", L"Active", L"Perdue"}, {L"Active"});
    session.window.AnswerNext(a.answer);
    session.form->cmdLancer_Click();
    EXPECT_EQ(session.window.boxes.size(), 1u) << "no further message after the confirmation";
    EXPECT_TRUE(session.RegistryUnchangedSinceStartUp()) << "the registry was touched";
    EXPECT_EQ(session.Devices(), (std::vector<std::wstring>{L"Ancienne", L"Active", L"Perdue"}));
    EXPECT_EQ(session.Suppr(), (std::vector<std::wstring>{L"Ancienne", L"Perdue"}));
    EXPECT_EQ(session.window.unloads, 0);
    EXPECT_EQ(session.window.ends, 0);
  }
}

TEST(Cleanup, YesDeletesEveryValueOfEachListedNameThenReportsThenClosesAndEnds) {
  // "brother hl" is a stale spelling of an installed printer's name; "Orpheline" left values
  // beside Devices and none under it; "active" and "BROTHER HL" are the installed printers' own
  // preferences, spelt otherwise.
  Session session({L"Ancienne", L"Active", L"\\\\SERVER\\Queue", L"", L"brother hl"}, {L"Active", L"Brother HL"});
  const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> traces = {
      {kTraceKeys[0], {L"Ancienne"}},
      {kTraceKeys[1], {L"Ancienne", L"BROTHER HL", L"active", L"Orpheline"}},
      {kTraceKeys[2], {L"Orpheline"}}};
  for (const auto& [path, names] : traces) {
    for (const std::wstring& name : names) session.registry.AddValue(inventory::kDevicesRoot, path, name);
  }
  session.window.AnswerNext(FakeWindowSystem::kIdYes);
  session.form->cmdLancer_Click();

  const std::wstring heading = L"Imprimantes dont il ne reste que des traces : ";
  EXPECT_EQ(session.Suppr(), (std::vector<std::wstring>{L"Ancienne", L"\\\\SERVER\\Queue", L"", L"brother hl", heading,
                                                         L"Orpheline"}));
  EXPECT_EQ(session.window.boxes.at(0).text,
            Confirmation(L"\t-Ancienne\r\n\t-\\\\SERVER\\Queue\r\n\t-\r\n\t-brother hl\r\n" + heading + L"\r\n\t-Orpheline"));
  // Each name's values in the keys' order, the Devices value last; none of an installed printer.
  std::vector<std::wstring> deleted;
  for (const auto& call : session.CallsSinceStartUp(FakeRegistry::CallKind::Delete)) deleted.push_back(call.path + L"|" + call.name);
  EXPECT_EQ(deleted, (std::vector<std::wstring>{kTraceKeys[0] + L"|Ancienne", kTraceKeys[1] + L"|Ancienne",
                                                kTraceKeys[3] + L"|Ancienne", kTraceKeys[3] + L"|\\\\SERVER\\Queue",
                                                kTraceKeys[3] + L"|", kTraceKeys[3] + L"|brother hl",
                                                kTraceKeys[1] + L"|Orpheline", kTraceKeys[2] + L"|Orpheline"}));
  EXPECT_EQ(session.Devices(), (std::vector<std::wstring>{L"Active"}));
  EXPECT_EQ(session.registry.ValueNames(inventory::kDevicesRoot, kTraceKeys[1]),
            (std::vector<std::wstring>{L"BROTHER HL", L"active"}));
  EXPECT_TRUE(session.registry.OpenHandles().empty());
  ASSERT_EQ(session.eventLog.records.size(), 1u);
  EXPECT_EQ(session.eventLog.records[0].strings,
            (std::vector<std::wstring>{L"4", L"Ancienne\r\n\\\\SERVER\\Queue\r\n\r\nbrother hl", L"1", L"Orpheline"}));

  ASSERT_EQ(session.window.boxes.size(), 2u);
  EXPECT_EQ(session.window.boxes[1].text, kDone);
  EXPECT_EQ(session.window.boxes[1].title, kTitle);
  EXPECT_EQ(session.window.boxes[1].style, kStyleInformationOk);
  EXPECT_EQ(session.window.exitCodes, std::vector<int>{0}) << "set, not left to the default";
  // The press and the answer each give the questions that follow a new deadline; the keys are
  // read once each before the question.
  const Journal start(session.journal.begin(), session.journal.begin() + 7);
  EXPECT_EQ(start, (Journal{"budget.new", "registry.open", "registry.open", "registry.open", "registry.open",
                            "window.msgbox", "budget.new"}));
  const Journal end(session.journal.end() - 4, session.journal.end());
  EXPECT_EQ(end, (Journal{"eventlog.write", "window.msgbox", "window.unload", "window.end"}));
}

TEST(Cleanup, ASpoolerThatStoppedAnsweringWithNoWmiPrinterDeletesNothingAndEndsWithAnErrorOrCodeFourIfDisabled) {
  // WMI lists no printer: the spooler alone tells which devices are live, and after the
  // answer it no longer can.
  Session session({L"Ancienne", L"Perdue"}, {});
  session.window.AnswerNext(FakeWindowSystem::kIdYes);
  session.window.whileShown = [&session] { session.spooler.SetError(FakeSpooler::kRpcServerUnavailable); };

  EXPECT_THROW(session.form->cmdLancer_Click(), AppError);

  EXPECT_TRUE(session.CallsSinceStartUp(FakeRegistry::CallKind::Delete).empty());
  EXPECT_EQ(session.Devices(), (std::vector<std::wstring>{L"Ancienne", L"Perdue"}));
  EXPECT_EQ(session.window.ends, 0);

  // With the Print Spooler service disabled since start-up, printing is turned off: the window
  // says so and closes with code 4.
  Session off({L"Ancienne", L"Perdue"}, {});
  off.spooler.SetError(FakeSpooler::kRpcServerUnavailable);
  off.spooler.disabled = true;
  off.form->cmdLancer_Click();
  EXPECT_EQ(off.window.boxes.at(0).text.rfind(L"Le service Spouleur d'impression est désactivé", 0), 0u);
  EXPECT_EQ(off.window.exitCodes, std::vector<int>{4});
  EXPECT_EQ(off.Devices(), (std::vector<std::wstring>{L"Ancienne", L"Perdue"}));
}

TEST(Cleanup, YesTriesEveryNameThenReportsWhatWindowsRefusedAndEndsWithCodeTwo) {
  struct Case {
    const char* what;
    void (*breakRegistry)(FakeRegistry&);
    std::vector<std::wstring> left;  // under Devices and under PrinterPorts alike, unless:
    std::vector<std::wstring> leftInPrinterPorts;
    std::wstring refusedLines;
    std::wstring gone;  // the names event 1 records, when there is one
  };
  const std::wstring printerPorts = inventory::kPrinterPortsKeyPath;
  const Case cases[] = {
      {"one deletion refused", [](FakeRegistry& r) { r.RefuseDelete(L"Ancienne"); },
       {L"Ancienne", L"Active"}, {}, L"\t-Ancienne", L"Perdue"},
      {"the Devices key cannot be changed: no twin goes either",
       [](FakeRegistry& r) { r.RefuseAccess(inventory::kDevicesKeyPath, kKeySetValue); },
       {L"Ancienne", L"Active", L"Perdue"}, {}, L"\t-Ancienne\r\n\t-Perdue", L""},
      {"the PrinterPorts key can be neither changed nor read", [](FakeRegistry& r) {
         r.RefuseAccess(inventory::kPrinterPortsKeyPath, kKeySetValue);
         r.RefuseAccess(inventory::kPrinterPortsKeyPath, 0x20019);  // KEY_READ
       },
       {L"Ancienne", L"Active", L"Perdue"}, {}, L"\t-Ancienne\r\n\t-Perdue", L""},
      // Refused once the key opened: what went before stays gone, the Devices value stays, and
      // the name is not recorded as deleted.
      {"a twin's deletion refused: its Devices value is not tried",
       [](FakeRegistry& r) { r.RefuseDelete(inventory::kPrinterPortsKeyPath, L"Ancienne"); },
       {L"Ancienne", L"Active"}, {}, L"\t-Ancienne", L"Perdue"},
      {"a Devices value's deletion refused after its twin went",
       [](FakeRegistry& r) { r.RefuseDelete(inventory::kDevicesKeyPath, L"Ancienne"); },
       {L"Ancienne", L"Active"}, {L"Active"}, L"\t-Ancienne", L"Perdue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session session({L"Ancienne", L"Active", L"Perdue"}, {L"Active"});
    for (const wchar_t* name : {L"Ancienne", L"Active", L"Perdue"}) session.registry.AddValue(inventory::kDevicesRoot, printerPorts, name);
    c.breakRegistry(session.registry);
    session.window.AnswerNext(FakeWindowSystem::kIdYes);
    session.form->cmdLancer_Click();
    EXPECT_EQ(session.Devices(), c.left);
    EXPECT_EQ(session.registry.ValueNames(inventory::kDevicesRoot, printerPorts),
              c.leftInPrinterPorts.empty() ? c.left : c.leftInPrinterPorts);
    ASSERT_EQ(session.window.boxes.size(), 2u);
    EXPECT_EQ(session.window.boxes[1].text, L"Nettoyage terminé, sauf pour ces imprimantes, qui n'ont pas pu être "
                                            L"supprimées :\r\n" + c.refusedLines + L"\r\nErreur 5 : message 5");
    EXPECT_EQ(session.window.boxes[1].style, 48);
    EXPECT_EQ(session.window.exitCode, 2);
    EXPECT_EQ(session.window.unloads, 1);
    EXPECT_EQ(session.window.ends, 1);
    ASSERT_EQ(session.eventLog.records.size(), c.gone.empty() ? 1u : 2u);
    if (!c.gone.empty()) {
      EXPECT_EQ(session.eventLog.records[0].strings.at(1), c.gone);
    }
    EXPECT_EQ(session.eventLog.records.back().event, EventLog::Event::NotDeleted);
  }
}

TEST(Cleanup, YesWithAValueAlreadyGoneGoesOnWithTheNextName) {
  // The cleanup works on the list read at start-up; a value removed from the Devices key
  // since then is still listed, and its deletion finds nothing. "Disparue" left its twin
  // behind; "Absente" left neither value.
  Session session({L"Ancienne", L"Perdue"}, {});
  session.registry.AddValue(inventory::kDevicesRoot, inventory::kPrinterPortsKeyPath, L"Disparue");
  session.form->lstRegedit.Clear();
  for (const wchar_t* name : {L"Ancienne", L"Disparue", L"Absente", L"Perdue"}) session.form->lstRegedit.AddItem(name);
  session.window.AnswerNext(FakeWindowSystem::kIdYes);
  session.form->cmdLancer_Click();
  EXPECT_TRUE(session.Devices().empty());
  EXPECT_TRUE(session.registry.ValueNames(inventory::kDevicesRoot, inventory::kPrinterPortsKeyPath).empty());
  ASSERT_EQ(session.window.boxes.size(), 2u);
  EXPECT_EQ(session.window.boxes[1].text, kDone);
  EXPECT_EQ(session.window.ends, 1);
  // The record names only what this run deleted, a twin alone included.
  ASSERT_EQ(session.eventLog.records.size(), 1u);
  EXPECT_EQ(session.eventLog.records[0].strings,
            (std::vector<std::wstring>{L"3", L"Ancienne\r\nDisparue\r\nPerdue", L"0", L""}));
}

TEST(Cleanup, AFailureAfterTheDeletionsKeepsTheirExitCodeAndTheirRecord) {
  Session session({L"Ancienne", L"Active", L"Perdue"}, {L"Active"});
  session.registry.RefuseDelete(L"Ancienne");
  session.window.AnswerNext(FakeWindowSystem::kIdYes);
  session.registry.statusTextFails = true;
  EXPECT_THROW(session.form->cmdLancer_Click(), std::bad_alloc);  // the text of the refusal
  EXPECT_EQ(session.Devices(), (std::vector<std::wstring>{L"Ancienne", L"Active"}));
  EXPECT_EQ(session.window.exitCode, 2);
  ASSERT_EQ(session.eventLog.records.size(), 1u);
  EXPECT_EQ(session.eventLog.records[0].event, EventLog::Event::Deleted);
}

TEST(Cleanup, SilentStartUpDeletesTheStaleNamesWithoutAnyMessage) {
  Session session({L"Ancienne", L"\\\\SERVER\\Queue", L"", L"ACTIVE"}, {L"Active", L"Absente"}, L"/s");
  const std::vector<std::wstring> stale = {L"Ancienne", L"\\\\SERVER\\Queue", L"", L"ACTIVE"};
  EXPECT_TRUE(session.window.boxes.empty());
  EXPECT_EQ(session.Suppr(), stale);
  const auto deletes = session.registry.CallsOf(FakeRegistry::CallKind::Delete);
  ASSERT_EQ(deletes.size(), stale.size());
  for (std::size_t k = 0; k < stale.size(); ++k) EXPECT_EQ(deletes[k].name, stale[k]);
  for (const auto& open : session.registry.CallsOf(FakeRegistry::CallKind::Open)) {
    if (open.access != kKeySetValue) continue;
    EXPECT_EQ(open.root, inventory::kDevicesRoot);
  }
  EXPECT_EQ(session.WriteOpens(), 1 + stale.size()) << "once to tell whether the key gives its values up";
  EXPECT_TRUE(session.Devices().empty());
  EXPECT_EQ(session.window.unloads, 1);
  EXPECT_EQ(session.window.ends, 0) << "start-up closes the window; the cleanup does not end the program";
}

TEST(Cleanup, SilentStartUpGoesOnPastARefusedDeletionAndAQuietRunWritesWhatItDidAndDidNot) {
  for (const wchar_t* mode : {L"/s", L"/q"}) {
    ProgramStart start({L"Ancienne", L"Active", L"Perdue\u200B"}, {L"Active"}, mode);
    start.registry.RefuseDelete(L"Ancienne");
    start.form->Form_Load();
    EXPECT_TRUE(start.window.boxes.empty());
    EXPECT_EQ(start.Devices(), (std::vector<std::wstring>{L"Ancienne", L"Active"}));
    EXPECT_EQ(start.window.unloads, 1);
    const std::vector<std::wstring> written{L"Perdue?", L"non supprimée : Ancienne"};
    EXPECT_EQ(start.output.lines, mode == std::wstring(L"/q") ? written : std::vector<std::wstring>{});
  }
}

TEST(Cleanup, AFullListOfStaleNamesIsListedConfirmedWholeAndRecordedWithinTheEventLogsLimit) {
  std::vector<std::wstring> names;
  for (int i = 0; i < 32766; ++i) names.push_back(L"P" + std::to_wstring(i));
  Session session(names, {});
  // No room is left for the heading and a name of which only traces are left: they wait.
  for (const wchar_t* orphan : {L"Orpheline", L"Perdue"}) session.registry.AddValue(inventory::kDevicesRoot, kTraceKeys[1], orphan);
  // Windows refuses every deletion: all the names go to the record of what is still there.
  session.registry.RefuseAccess(kKeySetValue);
  session.window.AnswerNext(FakeWindowSystem::kIdYes);
  session.form->cmdLancer_Click();
  EXPECT_EQ(session.Suppr(), names);
  ASSERT_EQ(session.window.boxes.size(), 2u);
  const std::wstring& text = session.window.boxes[0].text;
  std::size_t lines = 0;
  for (std::size_t at = text.find(L"\r\n\t-"); at != std::wstring::npos; at = text.find(L"\r\n\t-", at + 1)) ++lines;
  EXPECT_EQ(lines, 32766u);
  EXPECT_NE(text.find(L"\r\n\t-P32765\r\nVoulez-vous supprimer ces lignes maintenant ?"), std::wstring::npos);

  // The record lists the first names, in order, then counts the others, within the limit.
  ASSERT_EQ(session.eventLog.records.size(), 1u);
  const std::vector<std::wstring>& strings = session.eventLog.records[0].strings;
  ASSERT_EQ(strings.size(), 6u);
  EXPECT_EQ(strings[0], L"32766");
  std::size_t used = 0;
  for (const std::wstring& string : strings) used += string.size();
  EXPECT_LE(used, 31839u);
  EXPECT_GT(used, 31839u - 30) << "the room is used";
  const std::size_t listed = static_cast<std::size_t>(std::count(strings[1].begin(), strings[1].end(), L'\n'));
  EXPECT_EQ(strings[1].substr(strings[1].rfind(L'\n') + 1), L"… et " + std::to_wstring(32766 - listed) + L" autres");
}
