// Filling lstWMI from the printer source, and telling a true empty inventory from one that
// could not be obtained by asking the print spooler.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "common/AppError.h"
#include "common/NameList.h"
#include "inventory/Inventories.h"
#include "support/FakePrinterSource.h"
#include "support/FakeRegistry.h"
#include "support/ProgramStart.h"

namespace {

using CallKind = FakeRegistry::CallKind;

const std::vector<std::wstring> kStaleDevices = {L"Ancienne", L"\\\\SERVER\\Partie", L"Imprimante Été 東京"};

// A whole start-up: the Devices key holds kStaleDevices, WMI answers printerNames and the
// spooler answers spoolerAnswer.
struct Start : ProgramStart {
  Start(std::vector<std::wstring> printerNames, std::uint32_t spoolerAnswer, const std::wstring& argumentText)
      : ProgramStart(kStaleDevices, std::move(printerNames), argumentText, spoolerAnswer) {}
};

}  // namespace

TEST(FillWmiList, AppendsEveryNameInTheSourcesOrderExactlyAndNeverAsksTheSpooler) {
  const std::vector<std::vector<std::wstring>> answers = {
      {L"B", L"A", L"C"},
      {L"Imprimante  ", L"hp LaserJet MiXeD", L"\\\\SERVER\\Queue", L"Imprimante Été 東京", L""},
      {L"Même nom", L"Même nom"},
  };
  for (const auto& answer : answers) {
    SCOPED_TRACE(testing::PrintToString(answer));
    FakePrinterSource printers(answer);
    FakeSpooler spooler(FakeSpooler::kRpcServerUnavailable);
    NameList lstWMI(L"lstWMI");

    inventory::FillWmiList(printers, spooler, lstWMI);

    EXPECT_EQ(lstWMI.Items(), answer);
    EXPECT_EQ(printers.queries, 1);
    EXPECT_EQ(spooler.queries, 0);
  }
}

TEST(FillWmiList, AppendsAfterWhatTheListAlreadyHolds) {
  FakePrinterSource printers({L"B", L"A"});
  FakeSpooler spooler;
  NameList lstWMI(L"lstWMI");
  lstWMI.AddItem(L"Déjà là");

  inventory::FillWmiList(printers, spooler, lstWMI);

  EXPECT_EQ(lstWMI.Items(), (std::vector<std::wstring>{L"Déjà là", L"B", L"A"}));
}

TEST(FillWmiList, AnEmptyAnswerIsBelievedOnlyWhenTheSpoolerAnswers) {
  {
    FakePrinterSource printers;
    FakeSpooler spooler(0);
    NameList lstWMI(L"lstWMI");
    EXPECT_NO_THROW(inventory::FillWmiList(printers, spooler, lstWMI));
    EXPECT_EQ(lstWMI.ListCount(), 0);
    EXPECT_EQ(spooler.queries, 1);
  }
  for (std::uint32_t spoolerError : {FakeSpooler::kRpcServerUnavailable, 1801u /* ERROR_INVALID_PRINTER_NAME */}) {
    SCOPED_TRACE(spoolerError);
    FakePrinterSource printers;
    FakeSpooler spooler(spoolerError);
    NameList lstWMI(L"lstWMI");
    try {
      inventory::FillWmiList(printers, spooler, lstWMI);
      ADD_FAILURE() << "an inventory that could not be obtained was taken as empty";
    } catch (const AppError& error) {
      EXPECT_EQ(error.Code(), spoolerError);
      EXPECT_NE(error.WhatFailed().find(L"spouleur"), std::wstring::npos);
    }
    EXPECT_EQ(spooler.queries, 1);
  }
}

TEST(FillWmiList, AnEmptyAnswerAsksTheSpoolerEvenWhenTheListAlreadyHoldsNames) {
  FakePrinterSource printers;
  FakeSpooler spooler(FakeSpooler::kRpcServerUnavailable);
  NameList lstWMI(L"lstWMI");
  lstWMI.AddItem(L"Déjà là");

  EXPECT_THROW(inventory::FillWmiList(printers, spooler, lstWMI), AppError);
  EXPECT_EQ(spooler.queries, 1);
}

TEST(FillWmiList, ASourceFailureIsRaisedUnchangedAfterTheNamesDeliveredBeforeIt) {
  FakePrinterSource printers({L"B", L"A", L"C"});
  printers.FailAfter(2);
  FakeSpooler spooler;
  NameList lstWMI(L"lstWMI");
  try {
    inventory::FillWmiList(printers, spooler, lstWMI);
    ADD_FAILURE() << "the source's failure was swallowed";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Code(), FakePrinterSource::kTransportFailure);
    EXPECT_EQ(error.WhatFailed(), L"énumération des imprimantes WMI");
  }
  EXPECT_EQ(lstWMI.Items(), (std::vector<std::wstring>{L"B", L"A"}));
  EXPECT_EQ(spooler.queries, 0);
}

TEST(FillWmiListAtStartUp, AnEmptyAnswerWithASilentSpoolerEndsStartUpAndDeletesNothingInEitherMode) {
  for (const wchar_t* argumentText : {L"/s", L""}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(argumentText)));
    Start start({}, FakeSpooler::kRpcServerUnavailable, argumentText);

    EXPECT_THROW(start.form->Form_Load(), AppError);

    EXPECT_EQ(start.Devices(), kStaleDevices);
    EXPECT_TRUE(start.registry.CallsOf(CallKind::Delete).empty());
    EXPECT_TRUE(start.registry.CallsOf(CallKind::Open).empty()) << "the registry was read after the failure";
    EXPECT_EQ(start.form->lstRegedit.ListCount(), 0);
    EXPECT_EQ(start.form->lstSuppr.ListCount(), 0);
    EXPECT_TRUE(start.window.boxes.empty());
    EXPECT_EQ(start.window.unloads, 0);
  }
  // The Print Spooler service disabled: no printing to compare with. Exit code 4, nothing
  // deleted, and only the window says so.
  for (const wchar_t* argumentText : {L"/s", L"/q", L"/l", L""}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(argumentText)) + " disabled");
    Start start({}, FakeSpooler::kRpcServerUnavailable, argumentText);
    start.spooler.disabled = true;
    start.form->Form_Load();
    EXPECT_EQ(start.window.exitCodes, std::vector<int>{4});
    EXPECT_EQ(start.window.boxes.size(), argumentText[0] ? 0u : 1u);
    EXPECT_EQ(start.Devices(), kStaleDevices);
    EXPECT_TRUE(start.eventLog.records.empty() && start.output.lines.empty());
  }
}

TEST(FillWmiListAtStartUp, AnEmptyAnswerWithAnAnsweringSpoolerGoesOnWithAnEmptyWmiList) {
  Start interactive({}, 0, L"");
  interactive.form->Form_Load();
  EXPECT_EQ(interactive.form->lstWMI.ListCount(), 0);
  EXPECT_EQ(interactive.form->lstRegedit.Items(), kStaleDevices);
  EXPECT_EQ(interactive.Devices(), kStaleDevices);
  EXPECT_TRUE(interactive.window.boxes.empty());

  // With no printer installed, every registered device is stale: the silent run removes all.
  Start silent({}, 0, L"/s");
  silent.form->Form_Load();
  EXPECT_EQ(silent.form->lstWMI.ListCount(), 0);
  EXPECT_EQ(silent.form->lstSuppr.Items(), kStaleDevices);
  EXPECT_TRUE(silent.Devices().empty());
  EXPECT_TRUE(silent.window.boxes.empty());
  EXPECT_EQ(silent.window.unloads, 1);
}

TEST(FillWmiListAtStartUp, InstalledPrintersKeepTheirDevicesAndADeadSpoolerLeavesWmiAloneToDecide) {
  Start start({L"\\\\SERVER\\Partie", L"Imprimante Été 東京"}, FakeSpooler::kRpcServerUnavailable, L"/s");
  start.form->Form_Load();

  EXPECT_EQ(start.spooler.queries, 1) << "start-up needs no spooler; the cleanup asks it once";
  EXPECT_EQ(start.form->lstWMI.Items(), (std::vector<std::wstring>{L"\\\\SERVER\\Partie", L"Imprimante Été 東京"}));
  EXPECT_EQ(start.Devices(), (std::vector<std::wstring>{L"\\\\SERVER\\Partie", L"Imprimante Été 東京"}));
}

// The deadline a logon run ships with is the one the README gives administrators, who plan
// their logon scripts' time around it.
TEST(InventoryDeadline, TheShippedFigureIsTheReadmes) {
  std::ifstream readme(PRINTER_CLEANUP_SOURCE_DIR "/README.md");
  const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
  std::smatch figure;
  ASSERT_TRUE(std::regex_search(text, figure, std::regex("### A deadline on the inventory[^#]*?([0-9]+) seconds")));
  EXPECT_EQ(std::stoul(figure[1]), inventory::kQuestionBudgetSeconds);
}
