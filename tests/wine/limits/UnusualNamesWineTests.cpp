// Device names that must come through the real program untouched: from the registry into
// lstRegedit, against the names WMI serves, and back to the registry as the name of the
// value to delete. Wine enumerates values sorted by name, so every expectation is taken
// from a direct enumeration of the same key.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/win32/ControlIds.h"
#include "limits/LimitsSupport.h"
#include "support/MessageTexts.h"
#include "support/ProductProcess.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

namespace {

using limits_test::DeviceValue;
using limits_test::kDevicesPath;
using wine_test::Confirmation;
using wine_test::kNothingStale;
using wine_test::ProductProcess;
using wine_test::WmiDouble;

constexpr DWORD kWaitMilliseconds = 20000;
constexpr wchar_t kPrinterGlyph[] = L"\xD83D\xDDA8";  // U+1F5A8, a surrogate pair

std::wstring PaddedTo(std::wstring start, std::size_t length, wchar_t filler) {
  start.resize(length, filler);
  return start;
}

struct UnusualName {
  const char* kind;
  std::wstring name;
};

// Two names of each kind, side by side, so that taking every other name picks one of each
// kind and leaves the other. The default value and the single blank share a pair.
std::vector<UnusualName> UnusualNames() {
  return {
      {"default value", L""},
      {"one blank", L" "},
      {"trailing blanks", L"Imprimante  "},
      {"trailing blanks", L"Laser 2   "},
      {"254 characters", PaddedTo(L"Imprimante longue ", 254, L'x')},
      {"254 characters", PaddedTo(L"Brother ", 254, L'é')},
      {"backslashes", L"\\\\SERVEUR\\Accueil"},
      {"backslashes", L"Bureau\\Étage 2\\"},
      {"comma", L"HP, étage 2"},
      {"comma", L","},
      {"semicolon", L"Canon;Bureau"},
      {"semicolon", L";"},
      {"equals sign", L"Xerox=Couleur"},
      {"equals sign", L"=Brouillon"},
      {"double quotes", L"Imprimante \"Accueil\""},
      {"double quotes", L"\""},
      {"percent signs", L"%USERPROFILE%"},
      {"percent signs", L"Brother 100 %"},
      {"tab", L"Epson\tPhoto"},
      {"tab", L"\tTabulée"},
      {"outside the ANSI code page", L"Imprimante Été 東京"},
      {"outside the ANSI code page", L"Принтер Ωmega"},
      {"outside the Basic Multilingual Plane", std::wstring(L"Imprimante ") + kPrinterGlyph + L" Bureau"},
      {"outside the Basic Multilingual Plane", kPrinterGlyph},
  };
}

std::vector<std::wstring> NamesOf(const std::vector<UnusualName>& names) {
  std::vector<std::wstring> out;
  for (const UnusualName& name : names) out.push_back(name.name);
  return out;
}

std::vector<DeviceValue> ValuesFor(const std::vector<std::wstring>& names) {
  std::vector<DeviceValue> values;
  for (std::size_t i = 0; i < names.size(); ++i) {
    values.push_back({names[i], limits_test::PortOf(static_cast<int>(i))});
  }
  return values;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// The names of the list that occur in the other, in the list's order.
std::vector<std::wstring> Keeping(const std::vector<std::wstring>& names, const std::vector<std::wstring>& kept) {
  const std::unordered_set<std::wstring> wanted(kept.begin(), kept.end());
  std::vector<std::wstring> out;
  for (const std::wstring& name : names) {
    if (wanted.contains(name)) out.push_back(name);
  }
  return out;
}

// Seeds the values and returns the key's names as Wine enumerates them.
std::vector<std::wstring> SeedAndEnumerate(const std::vector<DeviceValue>& values) {
  limits_test::SeedDevices(values);
  return wine_test::ValueNames(kDevicesPath);
}

void ExpectValuesKeptWithTheirData(const std::vector<DeviceValue>& values, const std::vector<std::wstring>& kept) {
  const std::unordered_set<std::wstring> wanted(kept.begin(), kept.end());
  for (const DeviceValue& value : values) {
    if (wanted.contains(value.name)) {
      EXPECT_EQ(limits_test::DeviceData(value.name), value.data) << testing::PrintToString(value.name);
    }
  }
}

// An interactive run up to the shown window; closes it with "Sortir" after `inspect`.
template <typename Inspect>
void WithWindow(const ProductProcess::Environment& environment, Inspect inspect) {
  ProductProcess product(L"", environment);
  const HWND window = limits_test::WaitForMainWindow(product, kWaitMilliseconds);
  ASSERT_NE(window, nullptr);
  inspect(product, window);
  wine_test::Press(GetDlgItem(window, control_ids::kCmdSortir));
  DWORD exitCode = 0xFFFFFFFF;
  ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode)) << "Sortir did not end the program";
  EXPECT_EQ(exitCode, 0u);
}

void RunSilently(const ProductProcess::Environment& environment) {
  ProductProcess product(L"/s", environment);
  const limits_test::StartUpOutcome outcome = limits_test::WaitForStartUp(product, kWaitMilliseconds);
  ASSERT_TRUE(outcome.ended) << "the silent run came to " << limits_test::Describe(outcome);
  EXPECT_EQ(outcome.exitCode, 0u);
}

}  // namespace

TEST(UnusualDeviceNames, EveryUnusualNameIsListedInLstRegeditExactlyAsTheRegistryEnumeratesIt) {
  wine_test::ScratchKey devices(kDevicesPath);
  const std::vector<std::wstring> names = NamesOf(UnusualNames());
  const std::vector<std::wstring> enumerated = SeedAndEnumerate(ValuesFor(names));
  ASSERT_EQ(Sorted(enumerated), Sorted(names)) << "the Devices key was not seeded with every name";
  // WMI serves the same names in another order: each one matches its value, nothing is stale.
  std::vector<std::wstring> printers(names.rbegin(), names.rend());
  WmiDouble wmi({printers});

  WithWindow(wmi.Environment(), [&](ProductProcess& product, HWND window) {
    EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstRegedit)), enumerated);
    EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstWMI)), printers);
    wine_test::Press(GetDlgItem(window, control_ids::kCmdLancer));
    const HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(box, nullptr) << "Lancer nettoyage showed no message";
    EXPECT_EQ(wine_test::MessageBoxText(box), kNothingStale);
    wine_test::PressMessageBoxButton(box, IDOK);
    EXPECT_TRUE(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)).empty());
  });
  EXPECT_EQ(wine_test::ValueNames(kDevicesPath), enumerated);
}

TEST(UnusualDeviceNames, SilentModeDeletesExactlyTheStaleUnusualNamesAndKeepsEveryOtherValueWithItsData) {
  const std::vector<UnusualName> unusual = UnusualNames();
  // Every other name is stale, then the others: each name is deleted once and kept once,
  // and each kind is among both the deleted and the kept.
  for (std::size_t parity : {0u, 1u}) {
    SCOPED_TRACE(parity == 0 ? "even names stale" : "odd names stale");
    std::vector<std::wstring> stale;
    std::vector<std::wstring> installed;
    for (std::size_t i = 0; i < unusual.size(); ++i) {
      (i % 2 == parity ? stale : installed).push_back(unusual[i].name);
    }
    wine_test::ScratchKey devices(kDevicesPath);
    const std::vector<DeviceValue> values = ValuesFor(NamesOf(unusual));
    const std::vector<std::wstring> enumerated = SeedAndEnumerate(values);
    ASSERT_EQ(Sorted(enumerated), Sorted(NamesOf(unusual))) << "the Devices key was not seeded with every name";
    const std::vector<std::wstring> staleInListOrder = Keeping(enumerated, stale);
    WmiDouble wmi({installed});

    // lstSuppr carries the stale names untouched, the confirmation with a TAB shown as '?'; No
    // changes nothing.
    std::vector<std::wstring> shown = staleInListOrder;
    for (std::wstring& name : shown) std::replace(name.begin(), name.end(), L'\t', L'?');
    WithWindow(wmi.Environment(), [&](ProductProcess& product, HWND window) {
      wine_test::Press(GetDlgItem(window, control_ids::kCmdLancer));
      const HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
      ASSERT_NE(box, nullptr) << "Lancer nettoyage showed no confirmation";
      // A name of 254 characters without a blank is wider than the screen: the confirmation
      // then lists the names before it and counts the others.
      const std::wstring text = wine_test::MessageBoxText(box);
      EXPECT_EQ(text, Confirmation(shown, wine_test::NamesShown(text, shown)));
      wine_test::PressMessageBoxButton(box, IDNO);
      EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)), staleInListOrder);
    });
    EXPECT_EQ(wine_test::ValueNames(kDevicesPath), enumerated) << "answering No changed the key";

    RunSilently(wmi.Environment());

    EXPECT_EQ(wine_test::ValueNames(kDevicesPath), limits_test::Without(enumerated, stale));
    for (std::size_t i = 0; i < unusual.size(); ++i) {
      SCOPED_TRACE(std::string(unusual[i].kind) + ": " + testing::PrintToString(unusual[i].name));
      if (i % 2 == parity) {
        EXPECT_FALSE(wine_test::ValueExists(kDevicesPath, unusual[i].name)) << "a stale value was kept";
      } else {
        EXPECT_EQ(limits_test::DeviceData(unusual[i].name), values[i].data) << "a value was lost or changed";
      }
    }
  }
}

TEST(UnusualDeviceNames, SilentModeDeletesNothingWhenWmiServesExactlyTheUnusualNames) {
  wine_test::ScratchKey devices(kDevicesPath);
  const std::vector<std::wstring> names = NamesOf(UnusualNames());
  const std::vector<DeviceValue> values = ValuesFor(names);
  const std::vector<std::wstring> enumerated = SeedAndEnumerate(values);
  ASSERT_EQ(Sorted(enumerated), Sorted(names)) << "the Devices key was not seeded with every name";
  WmiDouble wmi({names});

  RunSilently(wmi.Environment());

  EXPECT_EQ(wine_test::ValueNames(kDevicesPath), enumerated);
  ExpectValuesKeptWithTheirData(values, names);
}

TEST(UnusualDeviceNames, A255CharacterNameEndsTheEnumerationSoTheNamesAfterItAreNeitherListedNorDeleted) {
  wine_test::ScratchKey devices(kDevicesPath);
  const std::wstring tooLong = PaddedTo(L"Konica Minolta ", 255, L'-');
  std::vector<std::wstring> names = NamesOf(UnusualNames());
  names.push_back(tooLong);
  const std::vector<DeviceValue> values = ValuesFor(names);
  const std::vector<std::wstring> enumerated = SeedAndEnumerate(values);
  ASSERT_EQ(Sorted(enumerated), Sorted(names)) << "the Devices key was not seeded with every name";
  const auto at = std::find(enumerated.begin(), enumerated.end(), tooLong);
  const std::vector<std::wstring> before(enumerated.begin(), at);
  const std::vector<std::wstring> after(at + 1, enumerated.end());
  // The name must fall between others for the test to tell an early end from a full list.
  ASSERT_GE(before.size(), 3u);
  ASSERT_GE(after.size(), 3u);
  // WMI serves every other name listed before it, and none of those after it: all of
  // those are stale, yet the program never sees them.
  std::vector<std::wstring> installed;
  for (std::size_t i = 0; i < before.size(); i += 2) installed.push_back(before[i]);
  const std::vector<std::wstring> staleListed = limits_test::Without(before, installed);
  WmiDouble wmi({installed});

  WithWindow(wmi.Environment(), [&](ProductProcess&, HWND window) {
    EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstRegedit)), before);
  });
  EXPECT_EQ(wine_test::ValueNames(kDevicesPath), enumerated);

  RunSilently(wmi.Environment());

  const std::vector<std::wstring> left = wine_test::ValueNames(kDevicesPath);
  EXPECT_EQ(left, limits_test::Without(enumerated, staleListed));
  for (const std::wstring& name : after) {
    EXPECT_TRUE(std::find(left.begin(), left.end(), name) != left.end()) << testing::PrintToString(name);
  }
  EXPECT_TRUE(wine_test::ValueExists(kDevicesPath, tooLong));
  ExpectValuesKeptWithTheirData(values, left);
}
