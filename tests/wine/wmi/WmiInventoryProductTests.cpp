// The two inventories as the real program shows them at start-up, with the WMI test double
// standing in for WMI: the lists, and the error report when WMI fails, which must end the
// program before any registry value is deleted.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "support/ErrorReportCheck.h"
#include "support/ProductProcess.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

namespace {

using wine_test::ProductProcess;
using wine_test::WmiDouble;
using wine_test::WmiDoubleSetup;
using wine_test::WmiFailure;

constexpr wchar_t kDevicesPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
constexpr wchar_t kMoniker[] = L"winmgmts:{impersonationLevel=impersonate}!\\\\127.0.0.1\\root\\cimv2";
constexpr wchar_t kLocalMoniker[] = L"winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2";
constexpr DWORD kWaitMilliseconds = 20000;

std::wstring HexCode(std::uint32_t code) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(code));
  return text;
}

bool HasVisibleDialog(const ProductProcess& process) {
  for (HWND window : process.VisibleWindows()) {
    if (wine_test::ClassName(window) == L"#32770") return true;
  }
  return false;
}

// An interactive run that got as far as showing its window: the two lists, read before
// the window is closed with "Sortir".
struct ShownLists {
  std::vector<std::wstring> lstWMI;
  std::vector<std::wstring> lstRegedit;
  bool dialogShown = false;
  DWORD exitCode = 0xFFFFFFFF;
};

ShownLists RunInteractively(const ProductProcess::Environment& environment) {
  ShownLists shown;
  ProductProcess product(L"", environment);
  const HWND window = product.WaitForWindow(wine_test::kMainWindowCaption, kWaitMilliseconds);
  if (window == nullptr) {
    ADD_FAILURE() << "the window did not appear";
    return shown;
  }
  shown.lstWMI = wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstWMI));
  shown.lstRegedit = wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstRegedit));
  shown.dialogShown = HasVisibleDialog(product);
  wine_test::Press(GetDlgItem(window, control_ids::kCmdSortir));
  EXPECT_TRUE(product.WaitForExit(kWaitMilliseconds, shown.exitCode)) << "Sortir did not end the program";
  return shown;
}

}  // namespace

TEST(WmiInventoryInTheProgram, LstWmiShowsTheInstalledPrintersExactlyInTheOrderWmiServesThem) {
  wine_test::ScratchKey devices(kDevicesPath);
  devices.SetString(L"Ancienne", L"winspool,Ne00:");
  const std::vector<std::vector<std::wstring>> cases = {
      {L"B", L"A", L"C"},
      {L"Imprimante  ", L"hp LaserJet MiXeD", L"\\\\SERVER\\Queue", L"Imprimante Été 東京"},
      {},
  };
  for (const auto& printers : cases) {
    SCOPED_TRACE(testing::PrintToString(printers));
    WmiDouble wmi({printers});

    const ShownLists shown = RunInteractively(wmi.Environment());

    EXPECT_EQ(shown.lstWMI, printers);
    EXPECT_EQ(shown.lstRegedit, std::vector<std::wstring>{L"Ancienne"});
    EXPECT_FALSE(shown.dialogShown);
    EXPECT_EQ(shown.exitCode, 0u);
    // The program's own WMI code bound the double and asked it for nothing but the query.
    const auto log = wmi.Log();
    ASSERT_GE(log.size(), 3u) << "the program did not bind the WMI double";
    EXPECT_EQ(log[0], std::wstring(L"ParseDisplayName ") + kMoniker);
    EXPECT_EQ(log[1], L"service.GetIDsOfNames ExecQuery");
    EXPECT_EQ(log[2], L"service.Invoke ExecQuery flags 0x1 args 1 [Select * from Win32_Printer]");
    EXPECT_EQ(wine_test::ValueNames(kDevicesPath), std::vector<std::wstring>{L"Ancienne"});
  }
}

TEST(RegisteredDevicesInTheProgram, LstRegeditShowsEveryValueNameOfTheDevicesKeyAsTheRegistryEnumeratesThem) {
  wine_test::ScratchKey devices(kDevicesPath);
  devices.SetString(L"", L"défaut");
  devices.SetDword(L"Compteur", 7);
  devices.SetString(L"Imprimante  ", L"winspool,Ne00:");
  devices.SetString(L"hp LaserJet MiXeD", L"winspool,Ne01:");
  devices.SetString(L"\\\\SERVER\\Queue", L"winspool,Ne02:");
  devices.SetString(L"Imprimante Été 東京", L"winspool,Ne03:");
  const std::vector<std::wstring> before = wine_test::ValueNames(kDevicesPath);
  ASSERT_EQ(before.size(), 6u);
  WmiDouble wmi({{L"hp LaserJet MiXeD"}});

  const ShownLists shown = RunInteractively(wmi.Environment());

  EXPECT_EQ(shown.lstRegedit, before);
  EXPECT_EQ(shown.lstWMI, std::vector<std::wstring>{L"hp LaserJet MiXeD"});
  EXPECT_FALSE(shown.dialogShown);
  EXPECT_EQ(wine_test::ValueNames(kDevicesPath), before);
}

TEST(RegisteredDevicesInTheProgram, AMissingOrEmptyDevicesKeyGivesAnEmptyListAndNoMessage) {
  WmiDouble wmi({{L"B", L"A"}});
  {
    SCOPED_TRACE("missing key");
    wine_test::DeleteTree(kDevicesPath);
    const ShownLists shown = RunInteractively(wmi.Environment());
    EXPECT_TRUE(shown.lstRegedit.empty());
    EXPECT_EQ(shown.lstWMI, (std::vector<std::wstring>{L"B", L"A"}));
    EXPECT_FALSE(shown.dialogShown);
    EXPECT_EQ(shown.exitCode, 0u);
  }
  {
    SCOPED_TRACE("empty key");
    wine_test::ScratchKey devices(kDevicesPath);
    const ShownLists shown = RunInteractively(wmi.Environment());
    EXPECT_TRUE(shown.lstRegedit.empty());
    EXPECT_EQ(shown.lstWMI, (std::vector<std::wstring>{L"B", L"A"}));
    EXPECT_FALSE(shown.dialogShown);
    EXPECT_EQ(shown.exitCode, 0u);
  }
}


TEST(WmiInventoryInTheProgram, EveryWmiFailureIsReportedAndEndsTheProgramBeforeAnyDeletionInEitherMode) {
  struct Case {
    const char* label;
    WmiDoubleSetup setup;
    const wchar_t* step;
    bool bothModes = true;  // false: "/s" only, for a bind failure, which no mode changes
  };
  const std::vector<std::wstring> printers = {L"B", L"A", L"C"};
  const std::vector<Case> cases = {
      {"bind", {printers, WmiFailure::Bind}, L"liaison au service WMI"},
      {"ExecQuery", {printers, WmiFailure::ExecQuery}, L"appel de ExecQuery"},
      {"enumeration midway", {printers, WmiFailure::EnumerationAfter, 2}, L"énumération des imprimantes"},
      {"Name read", {printers, WmiFailure::NameRead, 1}, L"lecture de la propriété Name"},
      {"Name not text", {printers, WmiFailure::NameNotText, 1}, L"conversion de la propriété Name en texte"},
      {"Name read, an exception with a success code", {printers, WmiFailure::NameException, 1},
       L"lecture de la propriété Name"},
      {"loopback bind refused, not for lack of rights", {printers, WmiFailure::None, 0, 0x80041015},
       L"liaison au service WMI", false},
      {"loopback bind refused for lack of rights, then the local bind fails", {printers, WmiFailure::Bind, 0, 0x80070005},
       L"liaison au service WMI (accès refusé pour 127.0.0.1, code 0x80070005", false},
  };
  wine_test::ScratchKey devices(kDevicesPath);
  devices.SetString(L"Ancienne", L"winspool,Ne00:");
  devices.SetString(L"B", L"winspool,Ne01:");
  devices.SetDword(L"Compteur", 3);
  for (const Case& c : cases) {
    for (const wchar_t* arguments : {L"", L"/s"}) {
      if (!c.bothModes && arguments[0] == L'\0') continue;
      SCOPED_TRACE(std::string(c.label) + (arguments[0] ? " silent" : " interactive"));
      WmiDouble wmi(c.setup);
      const std::uint32_t code = c.setup.failure != WmiFailure::None ? wine_test::WmiFailureCode(c.setup.failure)
                                                                      : c.setup.loopbackRefusal;
      wine_test::ExpectErrorReportAndNothingDeleted(arguments, wmi.Environment(), c.step, HexCode(code));
      EXPECT_FALSE(wmi.Log().empty()) << "the program did not bind the WMI double";
    }
  }
  // Refused for lack of rights, the loopback form gives way to the local form "." and the cleanup runs.
  for (const std::uint32_t refusal : {0x80070005u, 0x80041003u}) {
    SCOPED_TRACE(testing::PrintToString(HexCode(refusal)));
    devices.SetString(L"Ancienne", L"winspool,Ne00:");
    WmiDouble wmi({printers, WmiFailure::None, 0, refusal});
    ProductProcess product(L"/s", wmi.Environment());
    DWORD exitCode = 0xFFFFFFFF;
    EXPECT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode)) << "the silent run did not end";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(wine_test::ValueNames(kDevicesPath), std::vector<std::wstring>{L"B"});
    const std::vector<std::wstring> log = wmi.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], std::wstring(L"ParseDisplayName ") + kMoniker);
    EXPECT_EQ(log[1], std::wstring(L"ParseDisplayName ") + kLocalMoniker);
  }
}

TEST(WmiInventoryInTheProgram, WinesOwnWmiFailsToBindAndTheProgramReportsItAndDeletesNothing) {
  wine_test::ScratchKey devices(kDevicesPath);
  devices.SetString(L"Ancienne", L"winspool,Ne00:");
  devices.SetString(L"B", L"winspool,Ne01:");
  wine_test::WineOwnWmi wineWmi;
  for (const wchar_t* arguments : {L"", L"/s"}) {
    SCOPED_TRACE(arguments[0] ? "silent" : "interactive");
    // Wine's WMI takes only ".", "localhost" and the computer name for the local machine.
    wine_test::ExpectErrorReportAndNothingDeleted(arguments, {}, L"liaison au service WMI", HexCode(0x80041015));
  }
}
