#include "support/ErrorReportCheck.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/RegistryExport.h"
#include "support/ScratchKey.h"

namespace wine_test {
namespace {
constexpr wchar_t kDevicesKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
}  // namespace

void ExpectErrorReportAndNothingDeleted(const std::wstring& arguments, const ProductProcess::Environment& environment,
                                        const std::wstring& step, const std::wstring& code) {
  const std::vector<std::wstring> devicesBefore = ValueNames(kDevicesKey);
  const RegistryState registryBefore;
  ProductProcess product(arguments, environment);
  const HWND report = product.WaitForMessageBox(L"Nettoyage des imprimantes", 20000);
  ASSERT_NE(report, nullptr) << "no error report was shown";
  const std::wstring text = MessageBoxText(report);
  EXPECT_NE(text.find(step), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_NE(text.find(code), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_EQ(product.WaitForWindow(kMainWindowCaption, 0), nullptr) << "the window was shown";
  // The report is in the event log by the time it is shown, as an error, word for word.
  EXPECT_EQ(product.EventLog(), (std::vector<LoggedString>{{"err", text}}));
  PressMessageBoxButton(report, IDOK);
  DWORD exitCode = 0;
  ASSERT_TRUE(product.WaitForExit(20000, exitCode)) << "the program did not end after its report";
  EXPECT_EQ(exitCode, 1u);
  EXPECT_EQ(ValueNames(kDevicesKey), devicesBefore);
  // Nothing at all is written on a failure path, in the Devices key or anywhere else.
  EXPECT_EQ(RegistryChanges(registryBefore, RegistryState()), std::vector<std::wstring>{});
}

}  // namespace wine_test
