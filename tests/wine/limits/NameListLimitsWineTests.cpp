// The name lists hold at most 32767 entries. A Devices key of exactly that many values goes
// through start-up, the window and "/s" like any other; one value more is refused by
// lstRegedit, which ends the program with the error report before anything is deleted.
// One key is seeded per test and reused by its cases: seeding and each enumeration cost
// a wineserver round trip per value.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/ExitCodes.h"
#include "app/win32/ControlIds.h"
#include "app/win32/ErrorReport.h"
#include "limits/LimitsSupport.h"
#include "support/ProductProcess.h"
#include "support/RegistryExport.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

namespace {

using limits_test::kDevicesPath;
using wine_test::ProductProcess;
using wine_test::WmiDouble;

constexpr int kMaxEntries = 32767;
// Start-up enumerates every value and fills a list box entry by entry.
constexpr DWORD kWaitMilliseconds = 120000;

// Seeds "Imprimante 00000" onwards and reads the key back as Wine enumerates it; reports
// how long both took.
std::vector<std::wstring> SeedNumberedDevices(int count) {
  std::vector<limits_test::DeviceValue> values;
  values.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) values.push_back({limits_test::NumberedDevice(i), limits_test::PortOf(i)});
  const double start = limits_test::Milliseconds();
  limits_test::SeedDevices(values);
  const double seeded = limits_test::Milliseconds();
  std::vector<std::wstring> names = wine_test::ValueNames(kDevicesPath);
  const double readBack = limits_test::Milliseconds();
  std::printf("seeding %d values: %.0f ms; reading their names back: %.0f ms\n", count, seeded - start,
              readBack - seeded);
  testing::Test::RecordProperty("seed_ms", static_cast<int>(seeded - start));
  testing::Test::RecordProperty("read_back_ms", static_cast<int>(readBack - seeded));
  return names;
}

// The even-numbered devices are installed printers; the odd-numbered ones are stale.
std::vector<std::wstring> EvenNumberedDevices(int count) {
  std::vector<std::wstring> names;
  for (int i = 0; i < count; i += 2) names.push_back(limits_test::NumberedDevice(i));
  return names;
}

std::vector<std::wstring> OddNumberedDevices(int count) {
  std::vector<std::wstring> names;
  for (int i = 1; i < count; i += 2) names.push_back(limits_test::NumberedDevice(i));
  return names;
}

bool HasVisibleDialog(const ProductProcess& process) {
  for (HWND window : process.VisibleWindows()) {
    if (wine_test::ClassName(window) == L"#32770") return true;
  }
  return false;
}

// Start-up must end in the error report: no window, the report names lstRegedit's refused
// append, and once dismissed the program fails.
void ExpectErrorReportNamingTheRefusedAppend(const wchar_t* arguments, const ProductProcess::Environment& environment) {
  ProductProcess product(arguments, environment);
  const limits_test::StartUpOutcome outcome = limits_test::WaitForStartUp(product, kWaitMilliseconds);
  ASSERT_NE(outcome.dialog, nullptr) << "start-up came to " << limits_test::Describe(outcome);
  EXPECT_EQ(wine_test::WindowText(outcome.dialog), error_report::kTitle);
  const std::wstring text = wine_test::MessageBoxText(outcome.dialog);
  EXPECT_NE(text.find(L"lstRegedit"), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_NE(text.find(L"refusé"), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_NE(text.find(L"32767"), std::wstring::npos) << testing::PrintToString(text);
  EXPECT_EQ(product.WaitForWindow(wine_test::kMainWindowCaption, 0), nullptr) << "the window was shown";
  wine_test::PressMessageBoxButton(outcome.dialog, IDOK);
  DWORD exitCode = 0;
  ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode)) << "the program did not end after its report";
  EXPECT_EQ(exitCode, static_cast<DWORD>(exit_codes::kError));
}

}  // namespace

TEST(NameListLimits, ADevicesKeyOfExactly32767ValuesIsListedWholeAndSilentModeDeletesExactlyTheStaleHalf) {
  wine_test::ScratchKey devices(kDevicesPath);
  const std::vector<std::wstring> seeded = SeedNumberedDevices(kMaxEntries);
  ASSERT_EQ(seeded.size(), static_cast<std::size_t>(kMaxEntries)) << "the Devices key was not seeded";
  const std::vector<std::wstring> installed = EvenNumberedDevices(kMaxEntries);
  const std::vector<std::wstring> stale = OddNumberedDevices(kMaxEntries);
  WmiDouble wmi({installed});

  {
    SCOPED_TRACE("interactive");
    const double launched = limits_test::Milliseconds();
    ProductProcess product(L"", wmi.Environment());
    const HWND window = limits_test::WaitForMainWindow(product, kWaitMilliseconds);
    ASSERT_NE(window, nullptr);
    std::printf("start-up until the window showed: %.0f ms\n", limits_test::Milliseconds() - launched);
    EXPECT_FALSE(HasVisibleDialog(product)) << "start-up showed a message or an error report";
    const HWND lstRegedit = GetDlgItem(window, control_ids::kLstRegedit);
    EXPECT_EQ(SendMessageW(lstRegedit, LB_GETCOUNT, 0, 0), kMaxEntries);
    const double start = limits_test::Milliseconds();
    EXPECT_EQ(limits_test::LongListBoxItems(lstRegedit), seeded);
    std::printf("reading %d entries of lstRegedit from the window: %.0f ms\n", kMaxEntries,
                limits_test::Milliseconds() - start);
    EXPECT_EQ(SendMessageW(GetDlgItem(window, control_ids::kLstWMI), LB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(installed.size()));
    wine_test::Press(GetDlgItem(window, control_ids::kCmdSortir));
    DWORD exitCode = 0xFFFFFFFF;
    ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode)) << "Sortir did not end the program";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(wine_test::ValueNames(kDevicesPath), seeded) << "an interactive run without cleanup changed the key";
  }
  {
    SCOPED_TRACE("silent");
    const double launched = limits_test::Milliseconds();
    ProductProcess product(L"/s", wmi.Environment());
    const limits_test::StartUpOutcome outcome = limits_test::WaitForStartUp(product, kWaitMilliseconds);
    ASSERT_TRUE(outcome.ended) << "the silent run came to " << limits_test::Describe(outcome);
    const DWORD exitCode = outcome.exitCode;
    std::printf("silent run deleting %zu values: %.0f ms\n", stale.size(), limits_test::Milliseconds() - launched);
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::wstring> left = wine_test::ValueNames(kDevicesPath);
    EXPECT_EQ(left, limits_test::Without(seeded, stale));
    // The kept values still hold their own data.
    for (int i = 0; i < kMaxEntries; i += 2 * 97) {
      EXPECT_EQ(limits_test::DeviceData(limits_test::NumberedDevice(i)), limits_test::PortOf(i)) << i;
    }
  }
}

TEST(NameListLimits, OneValueMoreThan32767EndsWithTheErrorReportNamingTheRefusedAppendAndDeletesNothingInEitherMode) {
  static_assert(exit_codes::kError != 0);
  wine_test::ScratchKey devices(kDevicesPath);
  const std::vector<std::wstring> seeded = SeedNumberedDevices(kMaxEntries + 1);
  ASSERT_EQ(seeded.size(), static_cast<std::size_t>(kMaxEntries) + 1) << "the Devices key was not seeded";
  // Half of them stale, so a run that got past the list would have something to delete.
  WmiDouble wmi({EvenNumberedDevices(kMaxEntries + 1)});

  const wine_test::RegistryState before;
  for (const wchar_t* arguments : {L"", L"/s"}) {
    SCOPED_TRACE(arguments[0] ? "silent" : "interactive");
    ExpectErrorReportNamingTheRefusedAppend(arguments, wmi.Environment());
    EXPECT_EQ(wine_test::ValueNames(kDevicesPath), seeded);
    // Nothing is written anywhere else either, on this failure path.
    EXPECT_EQ(wine_test::RegistryChanges(before, wine_test::RegistryState()), std::vector<std::wstring>{});
  }
}
