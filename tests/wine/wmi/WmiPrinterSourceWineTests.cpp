// WmiPrinterSource on Wine's COM, bound to the WMI test double in this process: what it
// asks of WMI, the names it delivers, and how each failure is raised without leaking.
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/AppError.h"
#include "common/win32/Raii.h"
#include "inventory/win32/Win32SpoolerProbe.h"
#include "inventory/win32/WmiPrinterSource.h"
#include "support/WmiDouble.h"

namespace {

using wine_test::WmiDouble;
using wine_test::WmiDoubleSetup;
using wine_test::WmiFailure;

constexpr wchar_t kMoniker[] = L"winmgmts:{impersonationLevel=impersonate}!\\\\127.0.0.1\\root\\cimv2";

// The product's deadline, which these questions never come near.
void NoReport(const AppError&) noexcept {}
inventory::InventoryDeadline kDeadline(NoReport, 1);

// The double's COM objects still alive in this process; -1 when the double was never loaded.
LONG DoubleLiveObjects() {
  const HMODULE module = GetModuleHandleW(wmi_double::kDllName);
  if (module == nullptr) return -1;
  using LiveObjects = LONG(WINAPI*)();
  const auto liveObjects =
      reinterpret_cast<LiveObjects>(reinterpret_cast<void*>(GetProcAddress(module, wmi_double::kLiveObjectsExport)));
  return liveObjects ? liveObjects() : -1;
}

class WmiPrinterSourceOnWine : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(apartment_.Result()));
    SetEnvironmentVariableW(wmi_double::kConfigVariable, nullptr);
  }

  // The names the source delivers, in order.
  std::vector<std::wstring> Names() {
    std::vector<std::wstring> names;
    inventory::WmiPrinterSource source(kDeadline);
    source.ForEachPrinterName([&names](const std::wstring& name) { names.push_back(name); });
    return names;
  }

 private:
  win32::ComApartment apartment_;
};

TEST_F(WmiPrinterSourceOnWine, AsksTheServiceOnlyForTheQueryThroughTheLoopbackMoniker) {
  WmiDouble wmi({{L"B", L"A"}});
  wmi.ApplyToThisProcess();

  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"B", L"A"}));

  const std::vector<std::wstring> expected = {
      std::wstring(L"ParseDisplayName ") + kMoniker,
      L"service.GetIDsOfNames ExecQuery",
      L"service.Invoke ExecQuery flags 0x1 args 1 [Select * from Win32_Printer]",
      L"resultset.Invoke _NewEnum flags 0x3 args 0",
      L"enum.Next 1 gave 1 0x0",
      L"printer[0].GetIDsOfNames Name",
      L"printer[0].Invoke Name flags 0x3 args 0",
      L"enum.Next 1 gave 1 0x0",
      L"printer[1].GetIDsOfNames Name",
      L"printer[1].Invoke Name flags 0x3 args 0",
      L"enum.Next 1 gave 0 0x1",
  };
  EXPECT_EQ(wmi.Log(), expected);
  EXPECT_EQ(DoubleLiveObjects(), 0);
}

TEST_F(WmiPrinterSourceOnWine, DeliversEveryNameExactlyAsServedInServedOrder) {
  const std::vector<std::vector<std::wstring>> cases = {
      {L"B", L"A", L"C"},
      {L"Imprimante  ", L"  HP LaserJet MiXeD", L"hp laserjet mixed"},
      {L"\\\\SERVER\\Queue", L"Imprimante Été 東京", L"Microsoft Print to PDF"},
      {L"Même nom", L"Même nom"},
      {},
  };
  for (const auto& printers : cases) {
    SCOPED_TRACE(testing::PrintToString(printers));
    WmiDouble wmi({printers});
    wmi.ApplyToThisProcess();
    EXPECT_EQ(Names(), printers);
    EXPECT_EQ(DoubleLiveObjects(), 0);
  }
}

TEST_F(WmiPrinterSourceOnWine, WithoutAConfigurationTheDoubleServesNoPrinter) {
  EXPECT_EQ(Names(), std::vector<std::wstring>{});
  EXPECT_EQ(DoubleLiveObjects(), 0) << "the double was not bound, or it leaked";
}

struct FailureCase {
  const char* label;
  WmiDoubleSetup setup;
  const wchar_t* step;
  std::vector<std::wstring> deliveredFirst;
};

TEST_F(WmiPrinterSourceOnWine, EachFailureRaisesTheStepAndItsCodeAndLeaksNothing) {
  const std::vector<std::wstring> printers = {L"B", L"A", L"C"};
  const std::vector<FailureCase> cases = {
      {"bind", {printers, WmiFailure::Bind}, L"liaison au service WMI", {}},
      {"ExecQuery", {printers, WmiFailure::ExecQuery}, L"appel de ExecQuery", {}},
      {"enumeration at once", {printers, WmiFailure::EnumerationAfter, 0}, L"énumération des imprimantes", {}},
      {"enumeration midway", {printers, WmiFailure::EnumerationAfter, 2}, L"énumération des imprimantes", {L"B", L"A"}},
      {"Name of the first", {printers, WmiFailure::NameRead, 0}, L"lecture de la propriété Name", {}},
      {"Name of the last", {printers, WmiFailure::NameRead, 2}, L"lecture de la propriété Name", {L"B", L"A"}},
      {"Name not text", {printers, WmiFailure::NameNotText, 1}, L"conversion de la propriété Name en texte", {L"B"}},
  };
  for (const FailureCase& failure : cases) {
    SCOPED_TRACE(failure.label);
    WmiDouble wmi(failure.setup);
    wmi.ApplyToThisProcess();
    std::vector<std::wstring> delivered;
    inventory::WmiPrinterSource source(kDeadline);
    try {
      source.ForEachPrinterName([&delivered](const std::wstring& name) { delivered.push_back(name); });
      ADD_FAILURE() << "no error was raised";
    } catch (const AppError& error) {
      EXPECT_NE(error.WhatFailed().find(failure.step), std::wstring::npos) << testing::PrintToString(error.WhatFailed());
      EXPECT_EQ(error.Code(), wine_test::WmiFailureCode(failure.setup.failure));
    }
    EXPECT_EQ(delivered, failure.deliveredFirst);
    EXPECT_EQ(DoubleLiveObjects(), 0);
  }
}

TEST_F(WmiPrinterSourceOnWine, AnErrorRaisedByTheCallerLeaksNothing) {
  WmiDouble wmi({{L"B", L"A", L"C"}});
  wmi.ApplyToThisProcess();
  inventory::WmiPrinterSource source(kDeadline);
  int seen = 0;
  EXPECT_THROW(source.ForEachPrinterName([&seen](const std::wstring&) {
    if (++seen == 2) throw AppError(L"ajout refusé", 0x80070008);
  }),
               AppError);
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(DoubleLiveObjects(), 0);
}

TEST_F(WmiPrinterSourceOnWine, WinesOwnWmiCannotBindTheLoopbackMonikerAndRaises) {
  wine_test::WineOwnWmi wineWmi;
  inventory::WmiPrinterSource source(kDeadline);
  try {
    source.ForEachPrinterName([](const std::wstring& name) { ADD_FAILURE() << "unexpected printer " << testing::PrintToString(name); });
    ADD_FAILURE() << "no error was raised";
  } catch (const AppError& error) {
    EXPECT_NE(error.WhatFailed().find(L"liaison au service WMI"), std::wstring::npos);
    // Wine takes only ".", "localhost" and the computer name for the local machine.
    EXPECT_EQ(error.Code(), 0x80041015u);  // WBEM_E_TRANSPORT_FAILURE
  }
}

// The double must refuse what WMI would refuse, or a wrong call by the program would pass.
TEST_F(WmiPrinterSourceOnWine, TheDoubleRefusesUnknownNamesAndMissingArgumentsAndLogsThem) {
  WmiDouble wmi({{L"B"}});
  wmi.ApplyToThisProcess();
  {
    Microsoft::WRL::ComPtr<IDispatch> service;
    ASSERT_EQ(CoGetObject(kMoniker, nullptr, IID_PPV_ARGS(&service)), S_OK);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"ExecQueryAsync")};
    DISPID member = 0;
    EXPECT_EQ(service->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &member), DISP_E_UNKNOWNNAME);
    DISPPARAMS noArguments{};
    win32::Variant result;
    EXPECT_EQ(service->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArguments, result.put(), nullptr,
                              nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(service->Invoke(7, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArguments, result.put(), nullptr,
                              nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_GT(DoubleLiveObjects(), 0);
  }
  EXPECT_EQ(wmi.Log(), (std::vector<std::wstring>{std::wstring(L"ParseDisplayName ") + kMoniker,
                                                  L"service.GetIDsOfNames ExecQueryAsync",
                                                  L"service.Invoke ExecQuery flags 0x1 args 0",
                                                  L"service.Invoke dispid 7 flags 0x1 args 0"}));
  EXPECT_EQ(DoubleLiveObjects(), 0);
  using CanUnloadNow = HRESULT(WINAPI*)();
  const auto canUnloadNow = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(wmi_double::kDllName), "DllCanUnloadNow")));
  ASSERT_NE(canUnloadNow, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

// The probe runs in this process: a fault in it would start Wine's debugger, whose crash
// dialog holds the process until CTest's timeout. It ends the process at once instead, saying so.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* fault) {
  std::fprintf(stderr, "exception 0x%08lX at %p: the process ends\n", fault->ExceptionRecord->ExceptionCode,
               fault->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  return EXCEPTION_EXECUTE_HANDLER;
}

TEST(SpoolerProbeOnWine, WinesRunningSpoolerAnswersTheProbe) {
  const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(EndAtOnce);
  inventory::Win32SpoolerProbe spooler(kDeadline);
  EXPECT_EQ(spooler.Query().error, 0u);
  SetUnhandledExceptionFilter(previous);
}

// A spooler whose listing does not answer (a stuck driver, a print server gone) ends the process
// at the question's deadline, inside the question, with a report naming the spooler: the real
// probe and deadline, given a figure of seconds, around a listing that takes a minute.
TEST(SpoolerProbeOnWine, AListingThatDoesNotAnswerEndsTheProcessAtTheDeadlineWithItsReport) {
  const auto stuck = [](DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) -> BOOL { Sleep(60000); return FALSE; };
  const auto toStandardError = [](const AppError& error) noexcept {
    char text[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, error.ReportText().c_str(), -1, text, sizeof text, nullptr, nullptr);
    std::fprintf(stderr, "%s\n", text);
  };
  inventory::InventoryDeadline deadline(toStandardError, 1, 2);
  EXPECT_EXIT(inventory::Win32SpoolerProbe(deadline, stuck).Query(), testing::ExitedWithCode(1),
              "le spouleur d'impression n'a pas donn.* 2 secondes");
  // The questions asked with nobody in between share the 2 seconds: the second of two 1.2-second
  // listings passes them, unless someone answered in between.
  const auto slow = [](DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD returned, LPDWORD) -> BOOL {
    Sleep(1200);
    *returned = 0;
    return TRUE;
  };
  inventory::Win32SpoolerProbe twice(deadline, slow);
  EXPECT_EXIT((twice.Query(), twice.Query(), std::exit(0)), testing::ExitedWithCode(1), "2 secondes");
  EXPECT_EXIT((twice.Query(), deadline.StartAnew(), twice.Query(), std::exit(0)), testing::ExitedWithCode(0), "");
}

}  // namespace
