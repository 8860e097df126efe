// Start-up and exit of the real program: the silent start, the interactive start, and the
// error report that ends the program when WMI fails, with the exit code of each.
#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "WindowDriver.h"
#include "app/ExitCodes.h"
#include "app/win32/ControlIds.h"
#include "app/win32/ErrorReport.h"
#include "support/ProductProcess.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

namespace wine_test {
namespace {

using Names = std::vector<std::wstring>;

std::wstring Hex(std::uint32_t code) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(code));
  return text;
}

// The Devices key holds one stale name and one installed printer's name.
class StartUp : public testing::Test {
 protected:
  StartUp() {
    devices_.SetString(L"Ancienne", L"winspool,Ne00:");
    devices_.SetString(L"HP LaserJet", L"winspool,Ne01:");
  }

  // Expects the error report naming the code, with nothing else on the screen; dismisses
  // it and expects the program to end with the failure code, the registry untouched.
  void ExpectErrorReportThenFailureExit(ProductProcess& product, std::uint32_t code) {
    HWND report = product.WaitForMessageBox(error_report::kTitle, kStartTimeout);
    ASSERT_NE(report, nullptr) << "no error report";
    const std::wstring text = MessageBoxText(report);
    EXPECT_EQ(text.rfind(L"Erreur d'exécution : ", 0), 0u) << testing::PrintToString(text);
    EXPECT_NE(text.find(Hex(code)), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_EQ(product.VisibleWindows(), std::vector<HWND>{report}) << "the report is the only window";

    PressMessageBoxButton(report, IDOK);
    DWORD exitCode = 0;
    ASSERT_TRUE(product.WaitForExit(kExitTimeout, exitCode)) << "the program did not end after the report";
    EXPECT_EQ(exitCode, static_cast<DWORD>(exit_codes::kError));
    EXPECT_NE(exitCode, 0u);
    EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 2u) << "nothing may be deleted";
  }

  ScratchKey devices_{kDevicesKeyPath};
};

TEST_F(StartUp, SlashSCleansUpWithoutEverShowingAWindowAndEndsWithCodeZero) {
  WmiDouble wmi(WmiDoubleSetup{{L"HP LaserJet"}});
  ProductProcess product(L"/s", wmi.Environment(), /*waitUntilIdle=*/false);

  std::vector<std::wstring> shown;
  DWORD exitCode = 99;
  ASSERT_TRUE(WatchUntilExit(product, kExitTimeout, shown, exitCode)) << "the silent run did not end";
  EXPECT_TRUE(shown.empty()) << "windows shown: " << testing::PrintToString(shown);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ValueNames(kDevicesKeyPath), Names{L"HP LaserJet"});
}

TEST_F(StartUp, AnyOtherArgumentTextShowsTheWindowAndCleansNothingUntilAsked) {
  WmiDouble wmi(WmiDoubleSetup{{L"HP LaserJet"}});
  for (const wchar_t* arguments : {L"/S", L"/s x", L"", L"/L", L"/l x"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
    ProductProcess product(arguments, wmi.Environment());
    HWND window = product.WaitForWindow(kMainWindowCaption, kStartTimeout);
    ASSERT_NE(window, nullptr) << "the window did not appear";
    EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 2u);

    Press(GetDlgItem(window, control_ids::kCmdSortir));
    DWORD exitCode = 99;
    ASSERT_TRUE(product.WaitForExit(kExitTimeout, exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
}

TEST_F(StartUp, AWmiFailureEndsTheProgramWithTheErrorReportInEitherMode) {
  const struct {
    const char* name;
    WmiFailure failure;
  } failures[] = {{"bind", WmiFailure::Bind}, {"query", WmiFailure::ExecQuery}};
  for (const auto& failure : failures) {
    for (const wchar_t* arguments : {L"", L"/s"}) {
      SCOPED_TRACE(std::string(failure.name) + " " + testing::PrintToString(std::wstring(arguments)));
      WmiDouble wmi(WmiDoubleSetup{{L"HP LaserJet"}, failure.failure});
      ProductProcess product(arguments, wmi.Environment());
      ExpectErrorReportThenFailureExit(product, WmiFailureCode(failure.failure));
    }
  }
}

// A detection script or an unattended cleanup runs where nobody can answer a box: the report
// goes to the standard error it was given and, for "/q", to the event log; the exit code says
// it failed.
TEST_F(StartUp, AWmiFailureEndsAPreviewOrAQuietRunWithItsReportOnStandardErrorAndNoWindow) {
  WmiDouble wmi(WmiDoubleSetup{{L"HP LaserJet"}, WmiFailure::Bind});
  for (const wchar_t* mode : {L"/l", L"/q"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(mode)));
    const RedirectedOutput errors;
    ProductProcess product(mode + (L" >nul 2>" + errors.Path()), wmi.Environment(), false,
                           ProductProcess::Launch::ThroughCmd);
    std::vector<std::wstring> shown;
    DWORD exitCode = 99;
    ASSERT_TRUE(WatchUntilExit(product, kExitTimeout, shown, exitCode)) << "the run waited";
    EXPECT_TRUE(shown.empty()) << "windows shown: " << testing::PrintToString(shown);
    EXPECT_EQ(exitCode, static_cast<DWORD>(exit_codes::kError));
    EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 2u) << "nothing may be deleted";
    const std::wstring text = errors.Text();
    const std::wstring report = L"Erreur d'exécution : liaison au service WMI\r\nCode d'erreur : " +
                                Hex(WmiFailureCode(WmiFailure::Bind));
    EXPECT_NE(text.find(report + L"\r\n"), std::wstring::npos) << testing::PrintToString(text);
    // A preview leaves no record; a quiet run records its report as every run does.
    EXPECT_EQ(product.EventLog().size(), mode == std::wstring(L"/q") ? 1u : 0u);
    if (mode == std::wstring(L"/q")) EXPECT_EQ(product.EventLog()[0], (LoggedString{"err", report}));
  }
}

// A stuck driver or a print server that is gone never answers: a quiet run ends by itself at the
// inventory's deadline, deleting nothing. A window opened before it, whose inventory answered,
// is not touched by that deadline.
TEST_F(StartUp, AnInventoryThatNeverAnswersEndsAQuietRunAtItsDeadlineAndSparesAnAnsweredRun) {
  WmiDouble answering(WmiDoubleSetup{{L"HP LaserJet"}});
  ProductProcess interactive(L"", answering.Environment());
  ASSERT_NE(interactive.WaitForWindow(kMainWindowCaption, kStartTimeout), nullptr);
  WmiDouble hanging(WmiDoubleSetup{{L"HP LaserJet"}, WmiFailure::HangAtQuery});
  const ULONGLONG start = GetTickCount64();
  ProductProcess quiet(L"/q", hanging.Environment(), /*waitUntilIdle=*/false);
  std::vector<std::wstring> shown;
  DWORD exitCode = 99;
  ASSERT_TRUE(WatchUntilExit(quiet, 180000, shown, exitCode)) << "the quiet run never ended";
  const ULONGLONG seconds = (GetTickCount64() - start) / 1000;
  EXPECT_TRUE(seconds >= 119 && seconds <= 150) << seconds << " s";
  EXPECT_TRUE(shown.empty()) << "windows shown: " << testing::PrintToString(shown);
  EXPECT_EQ(exitCode, static_cast<DWORD>(exit_codes::kError));
  EXPECT_EQ(quiet.EventLog(), (std::vector<LoggedString>{
                                  {"err", L"Erreur d'exécution : WMI n'a pas donné la liste des imprimantes dans le délai "
                                          L"de 120 secondes\r\nCode d'erreur : 0x000005B4"}}));
  EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 2u) << "nothing may be deleted";

  HWND window = interactive.WaitForWindow(kMainWindowCaption, 0);
  ASSERT_NE(window, nullptr) << "the deadline of an answered inventory ended the window";
  Press(GetDlgItem(window, control_ids::kCmdSortir));
  ASSERT_TRUE(interactive.WaitForExit(kExitTimeout, exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(StartUp, WinesOwnWmiFailingOnTheMonikerEndsTheProgramWithTheErrorReport) {
  const WineOwnWmi wineOwnWmi;
  ProductProcess product(L"", {});
  constexpr std::uint32_t kTransportFailure = 0x80041015;  // WBEM_E_TRANSPORT_FAILURE
  ExpectErrorReportThenFailureExit(product, kTransportFailure);
}

}  // namespace
}  // namespace wine_test
