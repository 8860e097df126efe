// "Lancer nettoyage" and "/s" through the real NettoyageImprimantes.exe, the real registry
// and the WMI test double, driven like a user: the message boxes as shown, the Devices key
// afterwards, the exit code, and nothing else in the registry touched.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "support/ErrorReportCheck.h"
#include "support/MessageTexts.h"
#include "support/ProductProcess.h"
#include "support/RegistryExport.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

namespace {

using wine_test::Confirmation;
using wine_test::kNothingStale;
using wine_test::ProductProcess;

constexpr wchar_t kDevicesPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
constexpr wchar_t kPrinterPortsPath[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts";
constexpr wchar_t kDevModes2Path[] = L"Printers\\DevModes2";
constexpr wchar_t kDevModePerUserPath[] = L"Printers\\DevModePerUser";
constexpr wchar_t kDone[] = L"Nettoyage terminé !";
constexpr DWORD kWaitMilliseconds = 15000;
constexpr wchar_t kOrphansHeading[] = L"Imprimantes dont il ne reste que des traces : ";

// Registry value names are counted strings: the native API reaches a name that holds a NUL,
// which every function taking a C string cuts short.
class ExactValueNames {
 public:
  static void Set(const wchar_t* path, const std::wstring& name, const wine_test::RegistryValue& value) {
    Call([&](HANDLE key, UNICODE_STRING* counted) {
      return Api().set(key, counted, 0, value.type, const_cast<std::uint8_t*>(value.data.data()),
                       static_cast<ULONG>(value.data.size()));
    }, path, name, "set");
  }
  static void Delete(const wchar_t* path, const std::wstring& name) {
    Call([](HANDLE key, UNICODE_STRING* counted) { return Api().remove(key, counted); }, path, name, "delete");
  }

 private:
  struct NtApi {
    LONG(NTAPI* set)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
    LONG(NTAPI* remove)(HANDLE, UNICODE_STRING*);
  };
  static const NtApi& Api() {
    static const NtApi api = [] {
      HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
      return NtApi{reinterpret_cast<decltype(NtApi::set)>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetValueKey"))),
                   reinterpret_cast<decltype(NtApi::remove)>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDeleteValueKey")))};
    }();
    return api;
  }
  template <typename Operation>
  static void Call(Operation operation, const wchar_t* path, const std::wstring& name, const char* what) {
    ASSERT_TRUE(Api().set && Api().remove) << "ntdll lacks the value functions";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    UNICODE_STRING counted{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                           static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(name.data())};
    const LONG status = operation(static_cast<HANDLE>(key), &counted);
    RegCloseKey(key);
    ASSERT_EQ(status, 0) << "cannot " << what << " the value " << testing::PrintToString(name);
  }
};

// A printer key of the current user (Devices, PrinterPorts, a printing preferences key) holds
// exactly the values a test gives it; what the prefix had there (or the key's absence) comes back.
template <const wchar_t* Path>
class UserPrinterKey {
 public:
  UserPrinterKey() {
    HKEY key = nullptr;
    existed_ = RegOpenKeyExW(HKEY_CURRENT_USER, Path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (existed_) {
      RegCloseKey(key);
      saved_ = Read();
    }
    Clear();
  }
  ~UserPrinterKey() {
    Clear();
    if (!existed_) {
      RegDeleteKeyW(HKEY_CURRENT_USER, Path);
      return;
    }
    for (const auto& [name, value] : saved_.values) ExactValueNames::Set(Path, name, value);
  }
  UserPrinterKey(const UserPrinterKey&) = delete;
  UserPrinterKey& operator=(const UserPrinterKey&) = delete;

  void Seed(const std::wstring& name, const std::wstring& data) {
    ExactValueNames::Set(Path, name, wine_test::StringValue(data));
  }

  static std::wstring ExportPath() { return L"HKCU\\" + std::wstring(Path); }
  // The values of the key, with their types and data.
  static wine_test::RegistryKeyContents Read() {
    const wine_test::RegistryExport exported = wine_test::ExportRegistry(HKEY_CURRENT_USER, L"HKCU", Path);
    auto found = exported.find(ExportPath());
    EXPECT_NE(found, exported.end());
    return found == exported.end() ? wine_test::RegistryKeyContents{} : found->second;
  }

 private:
  // Leaves the key there and empty.
  static void Clear() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    for (const std::wstring& name : wine_test::ValueNames(Path)) ExactValueNames::Delete(Path, name);
    ASSERT_TRUE(wine_test::ValueNames(Path).empty()) << "the key could not be emptied";
  }

  bool existed_ = false;
  wine_test::RegistryKeyContents saved_;
};
using DevicesKey = UserPrinterKey<kDevicesPath>;
using PrinterPortsKey = UserPrinterKey<kPrinterPortsPath>;
using DevModes2Key = UserPrinterKey<kDevModes2Path>;
using DevModePerUserKey = UserPrinterKey<kDevModePerUserPath>;

enum class Icon { None, Information, Exclamation, Error, Question };

const char* IconName(Icon icon) {
  switch (icon) {
    case Icon::None: return "none";
    case Icon::Information: return "information";
    case Icon::Exclamation: return "exclamation";
    case Icon::Error: return "error";
    case Icon::Question: return "question";
  }
  return "?";
}

// The icon a message box shows. Its icon handle belongs to the product's process and cannot
// be read from here, so the icon control's pixels on the screen are compared with each
// standard icon drawn here over the same background.
Icon ShownIcon(HWND box) {
  HWND iconControl = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (wine_test::ClassName(child) == L"Static" && IsWindowVisible(child) &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      iconControl = child;
    }
  }
  if (!iconControl) return Icon::None;
  RECT rect;
  GetWindowRect(iconControl, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;

  HDC screen = GetDC(nullptr);
  const auto capture = [&](auto draw) {
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
  };
  const std::vector<COLORREF> shown =
      capture([&](HDC memory) { BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY); });
  const COLORREF background = GetPixel(screen, rect.left - 3, rect.top + 2);

  const struct {
    Icon icon;
    const wchar_t* resource;
  } candidates[] = {{Icon::Information, IDI_INFORMATION}, {Icon::Exclamation, IDI_EXCLAMATION},
                    {Icon::Error, IDI_HAND}, {Icon::Question, IDI_QUESTION}};
  Icon match = Icon::None;
  int matches = 0;
  for (const auto& candidate : candidates) {
    const std::vector<COLORREF> drawn = capture([&](HDC memory) {
      HBRUSH brush = CreateSolidBrush(background);
      RECT all{0, 0, width, height};
      FillRect(memory, &all, brush);
      DeleteObject(brush);
      DrawIconEx(memory, 0, 0, LoadIconW(nullptr, candidate.resource), 0, 0, 0, nullptr, DI_NORMAL);
    });
    if (drawn == shown) {
      match = candidate.icon;
      ++matches;
    }
  }
  ReleaseDC(nullptr, screen);
  return matches == 1 ? match : Icon::None;
}

// A message box as the user sees it.
struct BoxView {
  std::wstring text;
  std::set<int> buttons;     // ids of the visible push buttons
  std::set<int> defaults;    // ids of the buttons drawn as the default one
  Icon icon = Icon::None;
};

BoxView View(HWND box) {
  BoxView view;
  view.text = wine_test::MessageBoxText(box);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (wine_test::ClassName(child) != L"Button" || !IsWindowVisible(child)) continue;
    view.buttons.insert(GetDlgCtrlID(child));
    if ((GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) view.defaults.insert(GetDlgCtrlID(child));
  }
  // The box is visible before it has painted its icon: look as a person would, until the
  // icon is there to see.
  const ULONGLONG deadline = GetTickCount64() + 3000;
  while ((view.icon = ShownIcon(box)) == Icon::None && GetTickCount64() < deadline) Sleep(20);
  return view;
}

// The product run with "/s" from its start to its end, looking for visible windows of its
// process all along (ProductProcess would first wait for the process to be idle).
struct WatchedRun {
  bool ended = false;
  DWORD exitCode = 0;
  std::vector<std::wstring> windowsSeen;  // class and caption of each visible window seen
  std::vector<wine_test::LoggedString> eventLog;
};

WatchedRun RunWatchingWindows(const std::wstring& arguments, const ProductProcess::Environment& extra,
                              ProductProcess::Launch launch = ProductProcess::Launch::Direct) {
  WatchedRun run;
  // Watching starts at once: waiting for the program to go idle could miss a window.
  ProductProcess product(arguments, extra, /*waitUntilIdle=*/false, launch);
  if (!product.Started()) return run;
  const ULONGLONG deadline = GetTickCount64() + kWaitMilliseconds;
  for (;;) {
    for (HWND window : product.VisibleWindows()) {
      const std::wstring seen = wine_test::ClassName(window) + L" \"" + wine_test::WindowText(window) + L"\"";
      if (std::find(run.windowsSeen.begin(), run.windowsSeen.end(), seen) == run.windowsSeen.end()) {
        run.windowsSeen.push_back(seen);
      }
    }
    if (product.WaitForExit(2, run.exitCode)) {
      run.ended = true;
      run.eventLog = product.EventLog();
      return run;
    }
    if (GetTickCount64() > deadline) return run;  // the process is ended when product goes
  }
}

using wine_test::RegistryState;

std::vector<std::wstring> Changes(const RegistryState& before, const RegistryState& after) {
  return wine_test::RegistryChanges(before, after);
}

// Each stale name's values under Devices, PrinterPorts, DevModes2 and DevModePerUser, but the
// preferences of "brother hl-2030", which are the installed Brother's; each orphan's values
// under the last three.
std::vector<std::wstring> Removals(const std::vector<std::wstring>& staleNames, const std::vector<std::wstring>& orphans) {
  std::vector<std::wstring> removals;
  for (const std::wstring& name : staleNames) {
    for (const std::wstring& key : {DevicesKey::ExportPath(), PrinterPortsKey::ExportPath(), DevModes2Key::ExportPath(),
                                    DevModePerUserKey::ExportPath()}) {
      const bool preferences = key == DevModes2Key::ExportPath() || key == DevModePerUserKey::ExportPath();
      if (!preferences || name != L"brother hl-2030") removals.push_back(L"value removed: " + key + L" [" + name + L"]");
    }
  }
  for (const std::wstring& name : orphans) {
    for (const std::wstring& key : {PrinterPortsKey::ExportPath(), DevModes2Key::ExportPath(), DevModePerUserKey::ExportPath()}) {
      removals.push_back(L"value removed: " + key + L" [" + name + L"]");
    }
  }
  std::sort(removals.begin(), removals.end());
  return removals;
}

// The product started interactively, its window shown, "Lancer nettoyage" pressed.
HWND PressLancer(ProductProcess& product) {
  HWND window = product.WaitForWindow(wine_test::kMainWindowCaption, kWaitMilliseconds);
  if (!window) {
    ADD_FAILURE() << "the main window did not appear";
    return nullptr;
  }
  wine_test::Press(GetDlgItem(window, control_ids::kCmdLancer));
  return window;
}

// A Devices key with live printers (the double serves them) and stale ones among them: a
// network connection, a name differing only in case from a printer WMI reports, one with a
// trailing blank, an accented one and the key's default value. The registry compares names
// without regard to case, so the case variant's counterpart is served but not registered.
// Each has its twin under PrinterPorts and its printing preferences under DevModes2 and
// DevModePerUser: the case variant's preferences are those of the printer WMI reports, one of
// them in a third spelling. "Sans appareil" has values under those three keys and none under
// Devices; so has an installed printer, spelt otherwise. ConvertUserDevModesCount, which is no
// trace to delete, holds a value of each kind of name.
class CleanupOnWine : public testing::Test {
 protected:
  const std::vector<std::wstring> live_ = {L"HP LaserJet 4250", L"\\\\SERVER\\Queue", L"Microsoft Print to PDF"};
  const std::vector<std::wstring> served_ = {L"HP LaserJet 4250", L"\\\\SERVER\\Queue", L"Microsoft Print to PDF",
                                             L"Brother HL-2030", L"Xerox Bureau"};
  const std::vector<std::wstring> stale_ = {L"", L"\\\\SERVER\\Ancienne", L"Canon iR-ADV C5535",
                                            L"brother hl-2030", L"HP LaserJet 4250 ", L"Imprimante Été"};
  const std::vector<std::wstring> orphans_ = {L"Sans appareil"};

  void SetUp() override {
    int port = 0;
    for (const auto* names : {&live_, &stale_}) {
      for (const std::wstring& name : *names) {
        devices_.Seed(name, L"winspool,Ne0" + std::to_wstring(port) + L":");
        printerPorts_.Seed(name, L"winspool,Ne0" + std::to_wstring(port) + L":,15,45");
        devModes2_.Seed(name, L"préférences " + std::to_wstring(port));
        devModePerUser_.Seed(name == L"brother hl-2030" ? L"BROTHER HL-2030" : name, L"préférences " + std::to_wstring(port++));
      }
    }
    for (const wchar_t* name : {L"Sans appareil", L"XEROX BUREAU"}) {
      printerPorts_.Seed(name, L"winspool,Ne99:,15,45");
      devModes2_.Seed(name, L"préférences 99");
      devModePerUser_.Seed(name, L"préférences 99");
    }
    for (const wchar_t* name : {L"Sans appareil", L"Canon iR-ADV C5535", L"HP LaserJet 4250"}) {
      EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kConvertCountPath, name, REG_DWORD, &port, sizeof port), ERROR_SUCCESS);
    }
    ASSERT_EQ(wine_test::ValueNames(kDevicesPath).size(), live_.size() + stale_.size())
        << "two seeded names fell together in the registry";
  }
  void TearDown() override { RegDeleteKeyW(HKEY_CURRENT_USER, kConvertCountPath); }

  // Only the live printers' values are left under the Devices key, each with its data
  // exactly as it was before the run.
  void ExpectLiveValuesKeptByteForByte(const wine_test::RegistryKeyContents& devicesBefore) const {
    const wine_test::RegistryKeyContents devicesAfter = DevicesKey::Read();
    ASSERT_EQ(devicesAfter.values.size(), live_.size());
    for (const std::wstring& name : live_) {
      ASSERT_TRUE(devicesAfter.values.contains(name)) << testing::PrintToString(name);
      EXPECT_EQ(devicesAfter.values.at(name), devicesBefore.values.at(name)) << testing::PrintToString(name);
    }
  }

  // The stale names in the order the registry lists them, which is the order of lstRegedit.
  std::vector<std::wstring> StaleInRegistryOrder() const {
    std::vector<std::wstring> ordered;
    for (const std::wstring& name : wine_test::ValueNames(kDevicesPath)) {
      if (std::find(served_.begin(), served_.end(), name) == served_.end()) ordered.push_back(name);
    }
    return ordered;
  }
  // What lstSuppr lists: the stale devices, then the heading and the orphans.
  std::vector<std::wstring> Listed() const {
    std::vector<std::wstring> listed = StaleInRegistryOrder();
    listed.push_back(kOrphansHeading);
    listed.insert(listed.end(), orphans_.begin(), orphans_.end());
    return listed;
  }


  static constexpr wchar_t kConvertCountPath[] = L"Printers\\ConvertUserDevModesCount";
  DevicesKey devices_;
  PrinterPortsKey printerPorts_;
  DevModes2Key devModes2_;
  DevModePerUserKey devModePerUser_;
};

TEST_F(CleanupOnWine, NothingStaleShowsTheInformationMessageWithOnlyOkAndTheWindowStays) {
  const struct {
    const char* what;
    std::vector<std::wstring> registryNames;
    std::vector<std::wstring> printers;
  } cases[] = {
      {"every device installed", {L"HP LaserJet 4250", L"\\\\SERVER\\Queue"},
       {L"\\\\SERVER\\Queue", L"Autre", L"HP LaserJet 4250"}},
      {"both lists empty", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DevicesKey devices;
    const PrinterPortsKey noTwins;
    const DevModes2Key noPreferences;
    const DevModePerUserKey noPreferencesPerUser;
    for (const std::wstring& name : c.registryNames) devices.Seed(name, L"winspool,Ne00:");
    const wine_test::RegistryKeyContents before = DevicesKey::Read();
    wine_test::WmiDouble wmi({c.printers});
    ProductProcess product(L"", wmi.Environment());
    HWND window = PressLancer(product);
    ASSERT_NE(window, nullptr);
    HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(box, nullptr) << "no message box titled Message QUORVANE";

    const BoxView view = View(box);
    EXPECT_EQ(view.text, kNothingStale);
    EXPECT_EQ(view.buttons, std::set<int>{IDOK});
    EXPECT_EQ(view.icon, Icon::Information) << "shown: " << IconName(view.icon);

    wine_test::PressMessageBoxButton(box, IDOK);
    EXPECT_TRUE(IsWindowVisible(window)) << "the window must stay open";
    EXPECT_TRUE(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)).empty());
    EXPECT_EQ(DevicesKey::Read(), before);

    wine_test::Press(GetDlgItem(window, control_ids::kCmdSortir));
    DWORD exitCode = 1;
    EXPECT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
}

TEST_F(CleanupOnWine, StaleNamesAreConfirmedInAYesNoBoxWithTheExclamationIconAndYesAsDefault) {
  const struct {
    const char* what;
    std::vector<std::wstring> staleKept;  // the double serves every other seeded name
    std::wstring expectedText;
  } cases[] = {
      {"one stale name", {L"Canon iR-ADV C5535"},
       L"Liste des imprimantes à supprimer : \r\n\t-Canon iR-ADV C5535\r\nImprimantes dont il ne reste que des "
       L"traces : \r\n\t-Sans appareil\r\nVoulez-vous supprimer ces lignes maintenant ?"},
      {"two stale names, the key's default value among them", {L"Canon iR-ADV C5535", L""},
       Confirmation({L"", L"Canon iR-ADV C5535"}, orphans_)},
      {"every stale name", stale_, Confirmation(StaleInRegistryOrder(), orphans_)},
      {"only traces left", {}, L"Imprimantes dont il ne reste que des traces : \r\n\t-Sans appareil\r\n"
                               L"Voulez-vous supprimer ces lignes maintenant ?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::wstring> printers = served_;
    for (const std::wstring& name : stale_) {
      if (std::find(c.staleKept.begin(), c.staleKept.end(), name) == c.staleKept.end()) printers.push_back(name);
    }
    wine_test::WmiDouble wmi({printers});
    ProductProcess product(L"", wmi.Environment());
    HWND window = PressLancer(product);
    ASSERT_NE(window, nullptr);
    HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(box, nullptr) << "no message box titled Message QUORVANE";

    const BoxView view = View(box);
    EXPECT_EQ(view.text, c.expectedText);
    EXPECT_EQ(view.buttons, (std::set<int>{IDYES, IDNO}));
    EXPECT_EQ(view.defaults, std::set<int>{IDYES});
    EXPECT_EQ(view.icon, Icon::Exclamation) << "shown: " << IconName(view.icon);

    wine_test::PressMessageBoxButton(box, IDNO);
    wine_test::Press(GetDlgItem(window, control_ids::kCmdSortir));
    DWORD exitCode = 1;
    EXPECT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode));
  }
}

TEST_F(CleanupOnWine, NoLeavesTheRegistryAndTheWindowAsTheyWereWithTheStaleNamesListed) {
  const wine_test::RegistryKeyContents before = DevicesKey::Read();
  wine_test::WmiDouble wmi({served_});
  ProductProcess product(L"", wmi.Environment());
  HWND window = PressLancer(product);
  ASSERT_NE(window, nullptr);
  HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstWMI)), served_);
  EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstRegedit)), wine_test::ValueNames(kDevicesPath));
  wine_test::PressMessageBoxButton(box, IDNO);

  // Nothing follows the No: no other message, the window stays with the names listed.
  EXPECT_EQ(product.WaitForMessageBox(wine_test::kMessageBoxTitle, 500), nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)), Listed());
  EXPECT_EQ(DevicesKey::Read(), before);
  DWORD exitCode = 0;
  EXPECT_FALSE(product.WaitForExit(0, exitCode)) << "the program ended after No";

  // Pressing again lists the same names once more, not twice.
  wine_test::Press(GetDlgItem(window, control_ids::kCmdLancer));
  box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine_test::MessageBoxText(box), Confirmation(StaleInRegistryOrder(), orphans_));
  wine_test::PressMessageBoxButton(box, IDNO);
  EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)), Listed());
  EXPECT_EQ(DevicesKey::Read(), before);

  wine_test::Press(GetDlgItem(window, control_ids::kCmdSortir));
  EXPECT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(CleanupOnWine, YesRemovesExactlyTheStaleValuesReportsAndEndsWithExitCodeZero) {
  const wine_test::RegistryKeyContents devicesBefore = DevicesKey::Read();
  const std::vector<std::wstring> stale = StaleInRegistryOrder();
  const RegistryState before;
  {
    wine_test::WmiDouble wmi({served_});
    ProductProcess product(L"", wmi.Environment());
    ASSERT_NE(PressLancer(product), nullptr);
    HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(wine_test::MessageBoxText(box), Confirmation(stale, orphans_));
    wine_test::PressMessageBoxButton(box, IDYES);

    HWND done = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(done, nullptr) << "no completion message";
    const BoxView view = View(done);
    EXPECT_EQ(view.text, kDone);
    EXPECT_EQ(view.buttons, std::set<int>{IDOK});
    EXPECT_EQ(view.icon, Icon::Information) << "shown: " << IconName(view.icon);
    // The deletions are done by the time the completion message shows.
    EXPECT_EQ(wine_test::ValueNames(kDevicesPath).size(), live_.size());

    wine_test::PressMessageBoxButton(done, IDOK);
    DWORD exitCode = 1;
    ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode)) << "the program did not end";
    EXPECT_EQ(exitCode, 0u);
  }
  const RegistryState after;

  EXPECT_EQ(Changes(before, after), Removals(stale, orphans_));
  ExpectLiveValuesKeptByteForByte(devicesBefore);
}

// Started by cmd as a logon script or a detection script starts it, with the blank that cmd
// keeps before a redirection: "/l" lists exactly what "/q" then deletes, and writes.
TEST_F(CleanupOnWine, PreviewListsWhatTheQuietRunThenRemovesAndWritesBothStartedByCmdWithARedirection) {
  constexpr auto kByCmd = ProductProcess::Launch::ThroughCmd;
  // A full-width look-alike of a live printer's name, which the OEM code page lacks, a name
  // with a TAB and a line break, and a live name followed by an invisible space: the listing
  // shows none as a live name, and keeps each on its line.
  for (const wchar_t* name : {L"ＨＰ LaserJet 4250", L"Nom\tavec\nsaut", L"HP LaserJet 4250\u200B"}) {
    devices_.Seed(name, L"winspool,Ne20:");
    printerPorts_.Seed(name, L"winspool,Ne20:,15,45");
    devModes2_.Seed(name, L"préférences 20");
    devModePerUser_.Seed(name, L"préférences 20");
  }
  const wine_test::RegistryKeyContents devicesBefore = DevicesKey::Read();
  const std::vector<std::wstring> stale = StaleInRegistryOrder();
  std::wstring lines;
  for (const std::wstring& name : Listed()) {
    if (name == kOrphansHeading) continue;
    lines += name == L"Nom\tavec\nsaut" ? L"Nom?avec?saut" : name == L"ＨＰ LaserJet 4250" ? L"?? LaserJet 4250"
             : name == L"HP LaserJet 4250\u200B" ? L"HP LaserJet 4250?" : name;
    lines += L"\r\n";
  }
  const RegistryState before;
  wine_test::WmiDouble wmi({served_});

  const wine_test::RedirectedOutput listing;
  const WatchedRun preview = RunWatchingWindows(L"/l >" + listing.Path(), wmi.Environment(), kByCmd);
  ASSERT_TRUE(preview.ended) << "the preview did not end";
  EXPECT_EQ(preview.exitCode, 3u);
  EXPECT_TRUE(preview.windowsSeen.empty()) << testing::PrintToString(preview.windowsSeen);
  EXPECT_EQ(listing.Text(), lines);
  EXPECT_EQ(preview.eventLog, std::vector<wine_test::LoggedString>{}) << "a preview leaves no record";
  EXPECT_EQ(Changes(before, RegistryState()), std::vector<std::wstring>{});

  const wine_test::RedirectedOutput deleted;
  const WatchedRun run = RunWatchingWindows(L"/q >" + deleted.Path(), wmi.Environment(), kByCmd);
  const RegistryState after;
  ASSERT_TRUE(run.ended) << "the quiet run did not end";
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(run.windowsSeen.empty()) << testing::PrintToString(run.windowsSeen);
  EXPECT_EQ(deleted.Text(), lines) << "what the quiet run deleted";
  EXPECT_EQ(Changes(before, after), Removals(stale, orphans_));
  ExpectLiveValuesKeptByteForByte(devicesBefore);
  std::wstring names;
  for (std::size_t k = 0; k < stale.size(); ++k) names += (k == 0 ? L"" : L"\r\n") + stale[k];
  EXPECT_EQ(run.eventLog, (std::vector<wine_test::LoggedString>{{"trace", std::to_wstring(stale.size())},
                                                                {"trace", names}, {"trace", L"1"}, {"trace", L"Sans appareil"}}));

  // The next logon finds nothing to delete, and leaves no record; nor does its preview.
  const wine_test::RedirectedOutput nothing;
  const WatchedRun clean = RunWatchingWindows(L"/l >" + nothing.Path(), wmi.Environment(), kByCmd);
  ASSERT_TRUE(clean.ended);
  EXPECT_EQ(clean.exitCode, 0u);
  EXPECT_EQ(nothing.Text(), L"");
  const WatchedRun again = RunWatchingWindows(L"/s", wmi.Environment());
  ASSERT_TRUE(again.ended);
  EXPECT_EQ(again.exitCode, 0u);
  EXPECT_EQ(again.eventLog, std::vector<wine_test::LoggedString>{});
}

TEST_F(CleanupOnWine, SilentRunWithNothingStaleChangesNothing) {
  std::vector<std::wstring> printers = served_;
  printers.insert(printers.end(), stale_.begin(), stale_.end());
  printers.insert(printers.end(), orphans_.begin(), orphans_.end());
  const RegistryState before;
  wine_test::WmiDouble wmi({printers});
  const WatchedRun run = RunWatchingWindows(L"/s", wmi.Environment());
  const RegistryState after;
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(run.windowsSeen.empty()) << testing::PrintToString(run.windowsSeen);
  EXPECT_EQ(Changes(before, after), std::vector<std::wstring>{});
}

// A printer of the prefix's print spooler: Wine's spooler lists every key under Printers
// that has a name, a port and a driver. It is gone again when the object goes.
class SpoolerPrinter {
 public:
  explicit SpoolerPrinter(std::wstring name) : path_(std::wstring(kPrintersPath) + L"\\" + name) {
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"Name", name}, {L"Port", L"FILE:"}, {L"Printer Driver", L"Generic / Text Only"}};
    for (const auto& [value, data] : values) {
      EXPECT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, path_.c_str(), value, REG_SZ, data.c_str(),
                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS)
          << "cannot add a printer to the spooler";
    }
  }
  ~SpoolerPrinter() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str()); }
  SpoolerPrinter(const SpoolerPrinter&) = delete;
  SpoolerPrinter& operator=(const SpoolerPrinter&) = delete;

 private:
  static constexpr wchar_t kPrintersPath[] = L"System\\CurrentControlSet\\Control\\Print\\Printers";
  std::wstring path_;
};

// The print spooler cannot be reached by the product while the object lives: Wine is told not
// to load winspool.drv for it, as when the spooler service is disabled.
class DeadSpoolerForTheProduct {
 public:
  DeadSpoolerForTheProduct() {
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, L"winspool.drv", REG_SZ, L"", sizeof(wchar_t)),
              ERROR_SUCCESS);
  }
  ~DeadSpoolerForTheProduct() { RegDeleteTreeW(HKEY_CURRENT_USER, kProgramDefaults); }
  DeadSpoolerForTheProduct(const DeadSpoolerForTheProduct&) = delete;
  DeadSpoolerForTheProduct& operator=(const DeadSpoolerForTheProduct&) = delete;

 private:
  static constexpr wchar_t kProgramDefaults[] = L"Software\\Wine\\AppDefaults\\NettoyageImprimantes.exe";
  static constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\NettoyageImprimantes.exe\\DllOverrides";
};

// While the object lives, the Print Spooler service is disabled. Wine's service manager keeps
// its own copy of each start type: only ChangeServiceConfigW changes it.
struct DisabledSpoolerService {
  DisabledSpoolerService() { Change(SERVICE_DISABLED); }
  ~DisabledSpoolerService() { Change(SERVICE_DEMAND_START); }
  static void Change(DWORD startType) {
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service = OpenServiceW(manager, L"Spooler", SERVICE_CHANGE_CONFIG);
    EXPECT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr)) << GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }
};

// Windows' own words for a status, without the line break they end with.
std::wstring SystemText(DWORD status) {
  wchar_t text[256] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, status, 0, text, 256, nullptr);
  std::wstring trimmed(text);
  while (!trimmed.empty() && trimmed.back() == L' ') trimmed.pop_back();
  return trimmed;
}

enum class Mode { Silent, Interactive };

const char* ModeName(Mode mode) { return mode == Mode::Silent ? "/s" : "interactive, Yes"; }

// A value of the Devices key is deleted only when its exact name is stale by WMI and the
// spooler, asked when the list is made and again after Yes, lists no printer of that name in
// any case. Each test compares the whole Devices key, data included, before and after.
class LiveValuesOnWine : public testing::Test {
 protected:
  // Seeds the Devices key with these names, each with data of its own.
  void Seed(const std::vector<std::wstring>& names) {
    int port = 0;
    for (const std::wstring& name : names) devices_.Seed(name, L"winspool,Ne0" + std::to_wstring(port++) + L":");
    ASSERT_EQ(DevicesKey::Read().values.size(), names.size()) << "two seeded names fell together in the registry";
  }

  // The Devices key as it was, without the values of these names.
  static wine_test::RegistryKeyContents Without(wine_test::RegistryKeyContents contents,
                                                const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) EXPECT_EQ(contents.values.erase(name), 1u) << testing::PrintToString(name);
    return contents;
  }

  // Runs the cleanup to its end: "/s", or "Lancer nettoyage" answered Yes after checking that
  // the confirmation lists exactly expectedStale, then the orphans under their heading.
  // The run must end with lastMessage_ (in the window) and exitCode_.
  void CleanUp(Mode mode, const std::vector<std::wstring>& printers, const std::vector<std::wstring>& expectedStale,
               const std::vector<std::wstring>& orphans = {}) {
    wine_test::WmiDouble wmi({printers});
    if (mode == Mode::Silent) {
      const WatchedRun run = RunWatchingWindows(L"/s", wmi.Environment());
      ASSERT_TRUE(run.ended) << "the silent run did not end";
      EXPECT_EQ(run.exitCode, exitCode_);
      EXPECT_TRUE(run.windowsSeen.empty()) << testing::PrintToString(run.windowsSeen);
      eventLog_ = run.eventLog;
      return;
    }
    ProductProcess product(L"", wmi.Environment());
    HWND window = PressLancer(product);
    ASSERT_NE(window, nullptr);
    HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(box, nullptr) << "no confirmation";
    EXPECT_EQ(wine_test::MessageBoxText(box), Confirmation(expectedStale, orphans));
    std::vector<std::wstring> listed = expectedStale;
    if (!orphans.empty()) listed.push_back(kOrphansHeading);
    listed.insert(listed.end(), orphans.begin(), orphans.end());
    EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)), listed);
    EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstWMI)), printers) << "WMI's answer alone";
    lstRegedit_ = wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstRegedit));
    wine_test::PressMessageBoxButton(box, IDYES);
    HWND done = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(done, nullptr) << "no completion message";
    EXPECT_EQ(wine_test::MessageBoxText(done), lastMessage_);
    // Recorded before the last message: a box nobody answers keeps nothing back.
    eventLog_ = product.EventLog();
    wine_test::PressMessageBoxButton(done, IDOK);
    DWORD exitCode = 99;
    ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode)) << "the program did not end";
    EXPECT_EQ(exitCode, exitCode_);
    EXPECT_EQ(product.EventLog(), eventLog_) << "recorded after the last message";
  }

  // The run is to end saying that this device could not be deleted, nor these orphans, access
  // being denied; returns Windows' words for that.
  std::wstring ExpectAccessDeniedFor(const std::wstring& name, const std::wstring& orphan = L"") {
    const std::wstring accessDenied = SystemText(ERROR_ACCESS_DENIED);
    lastMessage_ = L"Nettoyage terminé, sauf pour ces imprimantes, qui n'ont pas pu être supprimées :\r\n\t-" + name +
                   (orphan.empty() ? L"" : L"\r\n" + std::wstring(kOrphansHeading) + L"\r\n\t-" + orphan) +
                   L"\r\nErreur 5 : " + accessDenied;
    exitCode_ = 2;
    return accessDenied;
  }

  DevicesKey devices_;
  std::vector<std::wstring> lstRegedit_;  // as the window showed it, in interactive runs
  std::wstring lastMessage_ = kDone;
  DWORD exitCode_ = 0;
  std::vector<wine_test::LoggedString> eventLog_;  // what the last run recorded
};

TEST_F(LiveValuesOnWine, APrinterThatOnlyTheSpoolerListsKeepsItsValueInEitherMode) {
  // The spooler lists "Bureau HP" and "Bureau Étage"; the registry holds the second in
  // another case, which the spooler, like Windows, takes for the same printer.
  const SpoolerPrinter bureau(L"Bureau HP");
  const SpoolerPrinter etage(L"Bureau Étage");
  const struct {
    const char* what;
    std::vector<std::wstring> printers;  // what WMI serves
    std::vector<std::wstring> stale;     // in the registry's order
  } cases[] = {
      {"WMI lists no printer", {}, {L"\\\\SERVER\\Queue", L"Ancienne"}},
      {"WMI misses the spooler's printers", {L"\\\\SERVER\\Queue", L"Autre"}, {L"Ancienne"}},
  };
  for (const auto& c : cases) {
    for (Mode mode : {Mode::Silent, Mode::Interactive}) {
      SCOPED_TRACE(std::string(c.what) + ", " + ModeName(mode));
      DevicesKey devices;
      Seed({L"\\\\SERVER\\Queue", L"Ancienne", L"Bureau HP", L"BUREAU ÉTAGE"});
      const wine_test::RegistryKeyContents before = DevicesKey::Read();
      ASSERT_NO_FATAL_FAILURE(CleanUp(mode, c.printers, c.stale));
      EXPECT_EQ(DevicesKey::Read(), Without(before, c.stale));
    }
  }
}

TEST_F(LiveValuesOnWine, ANameHoldingANulIsShownMarkedNeverDeletedAndNeverTakenForAnother) {
  // "Foo" is a live printer; "Foo<NUL>bar" is stale by WMI, but the registry's deletion by
  // name would take it for "Foo".
  const std::wstring withNul(L"Foo\0bar", 7);
  for (Mode mode : {Mode::Silent, Mode::Interactive}) {
    SCOPED_TRACE(ModeName(mode));
    DevicesKey devices;
    Seed({L"Foo", withNul, L"Ancienne"});
    const wine_test::RegistryKeyContents before = DevicesKey::Read();
    ASSERT_NO_FATAL_FAILURE(CleanUp(mode, {L"Foo"}, {L"Ancienne"}));
    EXPECT_EQ(DevicesKey::Read(), Without(before, {L"Ancienne"}));
    if (mode == Mode::Interactive) {
      EXPECT_NE(std::find(lstRegedit_.begin(), lstRegedit_.end(), L"Foo\u2400bar"), lstRegedit_.end())
          << "lstRegedit shows the NUL as U+2400: " << testing::PrintToString(lstRegedit_);
    }
  }
}

TEST_F(LiveValuesOnWine, APrinterInstalledAfterStartUpKeepsItsValueUntilTheAnswer) {
  Seed({L"Ancienne", L"Arrivée avant Lancer", L"Arrivée pendant la question", L"HP LaserJet"});
  const wine_test::RegistryKeyContents before = DevicesKey::Read();
  wine_test::WmiDouble wmi({{L"HP LaserJet"}});
  ProductProcess product(L"", wmi.Environment());
  ASSERT_NE(product.WaitForWindow(wine_test::kMainWindowCaption, kWaitMilliseconds), nullptr);
  const SpoolerPrinter beforeLancer(L"Arrivée avant Lancer");
  HWND window = PressLancer(product);
  ASSERT_NE(window, nullptr);
  HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
  ASSERT_NE(box, nullptr) << "no confirmation";
  EXPECT_EQ(wine_test::MessageBoxText(box), Confirmation({L"Ancienne", L"Arrivée pendant la question"}));

  const SpoolerPrinter whileAsked(L"Arrivée pendant la question");
  wine_test::PressMessageBoxButton(box, IDYES);
  HWND done = product.WaitForMessageBoxSaying(wine_test::kMessageBoxTitle, kDone, kWaitMilliseconds);
  ASSERT_NE(done, nullptr) << "no completion message";
  EXPECT_EQ(wine_test::ListBoxItems(GetDlgItem(window, control_ids::kLstSuppr)), std::vector<std::wstring>{L"Ancienne"})
      << "lstSuppr keeps only what was deleted";
  wine_test::PressMessageBoxButton(done, IDOK);
  DWORD exitCode = 1;
  ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(DevicesKey::Read(), Without(before, {L"Ancienne"}));
}

// A Devices key the user may only read keeps its devices, and then their twins in a PrinterPorts
// key he may change stay too: no twin goes while its device stays.
TEST_F(LiveValuesOnWine, AKeyTheUserMayOnlyReadKeepsItsValuesAndTheirTwinsAndTheRunSaysSoWithExitCodeTwoInEitherMode) {
  PrinterPortsKey printerPorts;
  printerPorts.Seed(L"Ancienne", L"winspool,Ne00:,15,45");
  printerPorts.Seed(L"HP LaserJet", L"winspool,Ne01:,15,45");
  Seed({L"Ancienne", L"HP LaserJet"});
  const wine_test::RegistryKeyContents before = DevicesKey::Read();
  const wine_test::RegistryKeyContents printerPortsBefore = PrinterPortsKey::Read();
  const wine_test::RestrictedKey readOnly(kDevicesPath, KEY_READ);
  const std::wstring accessDenied = ExpectAccessDeniedFor(L"Ancienne");
  for (Mode mode : {Mode::Silent, Mode::Interactive}) {
    SCOPED_TRACE(ModeName(mode));
    ASSERT_NO_FATAL_FAILURE(CleanUp(mode, {L"HP LaserJet"}, {L"Ancienne"}));
    EXPECT_EQ(DevicesKey::Read(), before);
    EXPECT_EQ(PrinterPortsKey::Read(), printerPortsBefore);
    EXPECT_EQ(eventLog_, (std::vector<wine_test::LoggedString>{{"warn", L"1"}, {"warn", L"Ancienne"}, {"warn", L"5"},
                                                               {"warn", accessDenied}, {"warn", L"0"}, {"warn", L""}}));
  }
}

// A trace that cannot go keeps its device and every other trace, so that a later run tries them
// all again; a device with no value under that key goes whole, and the record tells them apart.
// So do the values of a printer of which only traces are left. Deleting needs only the right to
// set values, not the right to add subkeys.
TEST_F(LiveValuesOnWine, ATraceKeyTheUserMayOnlyReadKeepsEveryTraceOfTheNamesWithAValueThereInEitherMode) {
  PrinterPortsKey printerPorts;
  DevModes2Key devModes2;
  for (const wchar_t* name : {L"Ancienne", L"HP LaserJet", L"Orpheline"}) {
    printerPorts.Seed(name, L"winspool,Ne00:,15,45");
    devModes2.Seed(name, L"préférences");
  }
  Seed({L"Ancienne", L"Sans jumeau", L"HP LaserJet"});
  const wine_test::RegistryKeyContents devicesBefore = DevicesKey::Read();
  const wine_test::RegistryKeyContents printerPortsBefore = PrinterPortsKey::Read();
  const wine_test::RegistryKeyContents devModes2Before = DevModes2Key::Read();
  for (const wchar_t* readOnlyKey : {kPrinterPortsPath, kDevModes2Path}) {
    const wine_test::RestrictedKey readOnly(readOnlyKey, KEY_READ);
    const std::wstring accessDenied = ExpectAccessDeniedFor(L"Ancienne", L"Orpheline");
    for (Mode mode : {Mode::Silent, Mode::Interactive}) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(readOnlyKey)) + ", " + ModeName(mode));
      devices_.Seed(L"Sans jumeau", L"winspool,Ne01:");  // as Seed gave it
      ASSERT_NO_FATAL_FAILURE(CleanUp(mode, {L"HP LaserJet"}, {L"Ancienne", L"Sans jumeau"}, {L"Orpheline"}));
      EXPECT_EQ(DevicesKey::Read(), Without(devicesBefore, {L"Sans jumeau"}));
      EXPECT_EQ(PrinterPortsKey::Read(), printerPortsBefore);
      EXPECT_EQ(DevModes2Key::Read(), devModes2Before);
      EXPECT_EQ(eventLog_, (std::vector<wine_test::LoggedString>{
                               {"trace", L"1"}, {"trace", L"Sans jumeau"}, {"trace", L"0"}, {"trace", L""},
                               {"warn", L"1"}, {"warn", L"Ancienne"}, {"warn", L"5"}, {"warn", accessDenied},
                               {"warn", L"1"}, {"warn", L"Orpheline"}}));
    }
  }
  {
    SCOPED_TRACE("a PrinterPorts key the user may neither change nor read: no twin can be told absent");
    devices_.Seed(L"Sans jumeau", L"winspool,Ne01:");
    const wine_test::RestrictedKey noAccess(kPrinterPortsPath, 0);
    ASSERT_NO_FATAL_FAILURE(CleanUp(Mode::Silent, {L"HP LaserJet"}, {L"Ancienne", L"Sans jumeau"}));
    EXPECT_EQ(DevicesKey::Read(), devicesBefore);
    EXPECT_EQ(eventLog_, (std::vector<wine_test::LoggedString>{{"warn", L"2"}, {"warn", L"Ancienne\r\nSans jumeau"},
                                                               {"warn", L"5"}, {"warn", SystemText(ERROR_ACCESS_DENIED)},
                                                               {"warn", L"1"}, {"warn", L"Orpheline"}}));
  }
  EXPECT_EQ(PrinterPortsKey::Read(), printerPortsBefore);
  EXPECT_EQ(DevModes2Key::Read(), devModes2Before);
  SCOPED_TRACE("both keys let the user set values, not add subkeys");
  const wine_test::RestrictedKey devicesLimited(kDevicesPath, KEY_READ | KEY_SET_VALUE);
  const wine_test::RestrictedKey printerPortsLimited(kPrinterPortsPath, KEY_READ | KEY_SET_VALUE);
  exitCode_ = 0;
  ASSERT_NO_FATAL_FAILURE(CleanUp(Mode::Silent, {L"HP LaserJet"}, {L"Ancienne"}));
  EXPECT_EQ(DevicesKey::Read(), Without(devicesBefore, {L"Ancienne", L"Sans jumeau"}));
  EXPECT_EQ(PrinterPortsKey::Read(), Without(printerPortsBefore, {L"Ancienne", L"Orpheline"}));
  EXPECT_EQ(DevModes2Key::Read(), Without(devModes2Before, {L"Ancienne", L"Orpheline"}));
}

TEST_F(LiveValuesOnWine, NoWmiPrinterAndADeadSpoolerEndWithTheErrorReportAndDeleteNothingInEitherMode) {
  Seed({L"Ancienne", L"HP LaserJet"});
  const DeadSpoolerForTheProduct deadSpooler;
  for (Mode mode : {Mode::Silent, Mode::Interactive}) {
    SCOPED_TRACE(ModeName(mode));
    wine_test::WmiDouble wmi(wine_test::WmiDoubleSetup{});
    wine_test::ExpectErrorReportAndNothingDeleted(mode == Mode::Silent ? L"/s" : L"", wmi.Environment(),
                                                  L"le spouleur d'impression ne répond pas", L"Code d'erreur : 0x");
  }
}

// Disabling the Print Spooler service is a common hardening; WMI then fails (0x80041001) and
// the machine has no printing to compare with. A run nobody watches ends with code 4 and leaves
// no trace; the window says why. Merely stopped, the spooler leaves it an error.
TEST_F(LiveValuesOnWine, WithTheSpoolerServiceDisabledAFailedInventoryEndsWithCodeFourAndDeletesNothing) {
  Seed({L"Ancienne", L"HP LaserJet"});
  const wine_test::RegistryKeyContents before = DevicesKey::Read();
  wine_test::WmiDouble wmi({{L"HP LaserJet"}, wine_test::WmiFailure::EnumerationAfter, 0});
  {
    const DisabledSpoolerService disabled;
    const wine_test::RedirectedOutput listing;
    for (const std::wstring& arguments : {std::wstring(L"/s"), std::wstring(L"/q"), L"/l >" + listing.Path()}) {
      SCOPED_TRACE(testing::PrintToString(arguments));
      const WatchedRun run = RunWatchingWindows(arguments, wmi.Environment(), ProductProcess::Launch::ThroughCmd);
      ASSERT_TRUE(run.ended);
      EXPECT_EQ(run.exitCode, 4u);
      EXPECT_TRUE(run.windowsSeen.empty()) << testing::PrintToString(run.windowsSeen);
      EXPECT_EQ(run.eventLog, std::vector<wine_test::LoggedString>{});
    }
    EXPECT_EQ(listing.Text(), L"");
    ProductProcess product(L"", wmi.Environment());
    HWND box = product.WaitForMessageBox(wine_test::kMessageBoxTitle, kWaitMilliseconds);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(wine_test::MessageBoxText(box), L"Le service Spouleur d'impression est désactivé sur cet ordinateur : "
                                              L"les imprimantes installées ne peuvent pas être connues. Rien n'a été supprimé.");
    EXPECT_EQ(product.WaitForWindow(wine_test::kMainWindowCaption, 0), nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "owned by the hidden window: no taskbar button";
    wine_test::PressMessageBoxButton(box, IDOK);
    DWORD exitCode = 0;
    ASSERT_TRUE(product.WaitForExit(kWaitMilliseconds, exitCode));
    EXPECT_EQ(exitCode, 4u);
  }
  EXPECT_EQ(DevicesKey::Read(), before);
  wine_test::ExpectErrorReportAndNothingDeleted(L"/s", wmi.Environment(), L"énumération des imprimantes", L"0x80041001");
}

}  // namespace
