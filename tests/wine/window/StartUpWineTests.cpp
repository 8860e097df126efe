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

// WMI answers after 170 s, as for connections whose print server is gone (about 150 s has been
// reported): the real deadline spares that answer, and the run cleans up as usual.
TEST_F(StartUp, SlashSCleansUpWithoutEverShowingAWindowAndEndsWithCodeZero) {
  WmiDouble wmi(WmiDoubleSetup{{L"HP LaserJet"}, WmiFailure::None, 0, 0, 170000});
  ProductProcess product(L"/s", wmi.Environment(), /*waitUntilIdle=*/false);

  std::vector<std::wstring> shown;
  DWORD exitCode = 99;
  ASSERT_TRUE(WatchUntilExit(product, 240000, shown, exitCode)) << "the silent run did not end";
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
    ASSERT_EQ(product.EventLog().size(), mode == std::wstring(L"/q") ? 1u : 0u);
    if (mode == std::wstring(L"/q")) EXPECT_EQ(product.EventLog()[0], (LoggedString{"err", report}));
  }
}

// A stuck driver or a print server that is gone never answers: a quiet run ends by itself at the
// inventory's deadline, deleting nothing. A window opened before it, whose inventory answered,
// is not touched by that deadline. Both are the program built with a deadline of seconds.
TEST_F(StartUp, AnInventoryThatNeverAnswersEndsAQuietRunAtItsDeadlineAndSparesAnAnsweredRun) {
  WmiDouble answering(WmiDoubleSetup{{L"HP LaserJet"}});
  ProductProcess interactive(L"", answering.Environment(), true, ProductProcess::Launch::Direct, kShortDeadlineProgram);
  ASSERT_NE(interactive.WaitForWindow(kMainWindowCaption, kStartTimeout), nullptr);
  WmiDouble hanging(WmiDoubleSetup{{L"HP LaserJet"}, WmiFailure::HangAtQuery});
  ProductProcess quiet(L"/q", hanging.Environment(), false, ProductProcess::Launch::Direct, kShortDeadlineProgram);
  std::vector<std::wstring> shown;
  DWORD exitCode = 99;
  ASSERT_TRUE(WatchUntilExit(quiet, kExitTimeout, shown, exitCode)) << "the quiet run never ended";
  EXPECT_TRUE(shown.empty()) << "windows shown: " << testing::PrintToString(shown);
  EXPECT_EQ(exitCode, static_cast<DWORD>(exit_codes::kError));
  EXPECT_EQ(quiet.EventLog(), (std::vector<LoggedString>{
                                  {"err", L"Erreur d'exécution : WMI n'a pas donné la liste des imprimantes dans le délai "
                                          L"de 3 secondes\r\nCode d'erreur : 0x000005B4"}}));
  EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 2u) << "nothing may be deleted";

  Sleep(1000);  // the window's own question is past its deadline by now
  HWND window = interactive.WaitForWindow(kMainWindowCaption, 0);
  ASSERT_NE(window, nullptr) << "the deadline of an answered inventory ended the window";
  EXPECT_EQ(interactive.VisibleWindows(), std::vector<HWND>{window}) << "an answered inventory was reported";
  Press(GetDlgItem(window, control_ids::kCmdSortir));
  ASSERT_TRUE(interactive.WaitForExit(kExitTimeout, exitCode));
  EXPECT_EQ(exitCode, 0u);
}

// An answer that comes while the deadline's report is up changes nothing: the program goes on
// with nothing and acts on nothing, but still answers what other programs send its window (a
// broadcast waits on every window), until the report is dismissed.
TEST_F(StartUp, AnAnswerPastTheDeadlineLeavesTheWindowAnsweringMessagesAndActingOnNone) {
  WmiDouble late(WmiDoubleSetup{{L"HP LaserJet"}, WmiFailure::None, 0, 0, (kShortDeadlineSeconds + 2) * 1000});
  ProductProcess product(L"/s", late.Environment(), false, ProductProcess::Launch::Direct, kShortDeadlineProgram);
  HWND report = product.WaitForMessageBox(error_report::kTitle, kStartTimeout);
  ASSERT_NE(report, nullptr) << "no report at the deadline";
  HWND window = nullptr;  // hidden: a silent run
  for (HWND own : product.TopLevelWindows()) {
    if (ClassName(own) == L"NettoyageImprimantes.Form1") window = own;
  }
  ASSERT_NE(window, nullptr);
  DWORD_PTR ignored = 0;
  bool answered = false;
  for (int second = 0; second < 10 && !answered; ++second) {
    answered = SendMessageTimeoutW(window, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
  }
  EXPECT_TRUE(answered) << "the window stopped answering";
  // Sent, not posted: acted on at once if at all. Neither button's command nor a close request.
  for (const int button : {control_ids::kCmdLancer, control_ids::kCmdSortir}) {
    EXPECT_NE(SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(GetDlgItem(window, button)), SMTO_NORMAL, 1000, &ignored), 0)
        << "not answered";
  }
  EXPECT_NE(SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &ignored), 0) << "not answered";
  EXPECT_TRUE(IsWindow(window)) << "a command or a close request was acted on";
  EXPECT_EQ(product.VisibleWindows(), std::vector<HWND>{report}) << "a command was acted on";
  PressMessageBoxButton(report, IDOK);
  DWORD exitCode = 0;
  ASSERT_TRUE(product.WaitForExit(kExitTimeout, exitCode));
  EXPECT_EQ(exitCode, static_cast<DWORD>(exit_codes::kError));
  EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 2u) << "nothing may be deleted";
}

TEST_F(StartUp, WinesOwnWmiFailingOnTheMonikerEndsTheProgramWithTheErrorReport) {
  const WineOwnWmi wineOwnWmi;
  ProductProcess product(L"", {});
  constexpr std::uint32_t kTransportFailure = 0x80041015;  // WBEM_E_TRANSPORT_FAILURE
  ExpectErrorReportThenFailureExit(product, kTransportFailure);
}

}  // namespace
}  // namespace wine_test
