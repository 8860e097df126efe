// The window as the design draws it, at the DPI of the prefix the tests run in (96 or 144):
// caption, client size, every control's class, text, position and size, the names screen
// readers give the lists, and the confirmation's place on the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WindowDriver.h"
#include "app/win32/ControlIds.h"
#include "common/win32/Raii.h"
#include "limits/LimitsSupport.h"
#include "support/MessageTexts.h"
#include "support/ProductProcess.h"
#include "support/RegistryExport.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

#ifndef EXPECTED_DPI
#error "EXPECTED_DPI: the DPI the test prefix reports"
#endif

namespace wine_test {
namespace {

// The design, in twips, written out here rather than taken from the product's table.
struct ExpectedControl {
  const char* name;
  int id;
  const wchar_t* className;
  const wchar_t* text;
  int left, top, width, height;
};

constexpr ExpectedControl kExpectedControls[] = {
    {"lstSuppr", control_ids::kLstSuppr, L"ListBox", L"", 120, 4560, 4335, 450},
    {"cmdLancer", control_ids::kCmdLancer, L"Button", L"Lancer nettoyage", 6120, 4680, 1455, 375},
    {"cmdSortir", control_ids::kCmdSortir, L"Button", L"Sortir", 7680, 4680, 1335, 375},
    {"lstRegedit", control_ids::kLstRegedit, L"ListBox", L"", 4680, 360, 4335, 4155},
    {"lstWMI", control_ids::kLstWMI, L"ListBox", L"", 120, 360, 4335, 4155},
    {"Label2", control_ids::kLabel2, L"Static", L"Par REGEDIT", 4680, 120, 4335, 255},
    {"Label1", control_ids::kLabel1, L"Static", L"Par WMI", 120, 120, 4335, 255},
};

// Twips at the expected DPI, unrounded: the product's pixels may differ by rounding only.
double Pixels(int twips) { return twips * static_cast<double>(EXPECTED_DPI) / 1440.0; }

class WindowLayout : public testing::Test {
 protected:
  void SetUp() override {
    ReadWindowsInPhysicalPixels();
    product_ = std::make_unique<ProductProcess>(L"", wmi_.Environment());
    window_ = product_->WaitForWindow(kMainWindowCaption, kStartTimeout);
    ASSERT_NE(window_, nullptr) << "the window did not appear";
  }

  ScratchKey devices_{kDevicesKeyPath};
  WmiDouble wmi_{WmiDoubleSetup{{L"HP LaserJet"}}};
  std::unique_ptr<ProductProcess> product_;
  HWND window_ = nullptr;
};

TEST_F(WindowLayout, TheWindowTakesTheDpiOfItsScreen) {
  EXPECT_EQ(GetDpiForWindow(window_), static_cast<UINT>(EXPECTED_DPI));
}

TEST_F(WindowLayout, TheClientAreaIs9150By5205TwipsAtTheWindowsDpi) {
  RECT client{};
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_NEAR(client.right - client.left, Pixels(9150), 1.0);
  EXPECT_NEAR(client.bottom - client.top, Pixels(5205), 1.0);
}

TEST_F(WindowLayout, EveryControlHasItsClassTextPositionAndSizeFromTheDesign) {
  for (const ExpectedControl& expected : kExpectedControls) {
    SCOPED_TRACE(expected.name);
    HWND control = GetDlgItem(window_, expected.id);
    ASSERT_NE(control, nullptr) << "no control with this id";
    EXPECT_EQ(ClassName(control), expected.className);
    EXPECT_EQ(WindowText(control), expected.text);
    EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_TRUE(IsWindowEnabled(control));
    const RECT rect = RectInParent(control);
    EXPECT_NEAR(rect.left, Pixels(expected.left), 1.0);
    EXPECT_NEAR(rect.top, Pixels(expected.top), 1.0);
    EXPECT_NEAR(rect.right - rect.left, Pixels(expected.width), 1.0);
    EXPECT_NEAR(rect.bottom - rect.top, Pixels(expected.height), 1.0);
  }
}

TEST_F(WindowLayout, TheWindowHasNoOtherControlThanTheSevenOfTheDesign) {
  int children = 0;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, static_cast<int>(std::size(kExpectedControls)));
}

// "Make text bigger": the message font twice as tall for the programs started meanwhile.
// Without SPIF_UPDATEINIFILE, Wine keeps it with the prefix's server, not in its files.
struct TwiceTheMessageFont {
  TwiceTheMessageFont() {
    saved.cbSize = sizeof saved;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved, &saved, 0)) return;
    NONCLIENTMETRICSW twice = saved;
    twice.lfMessageFont.lfHeight *= 2;
    set = SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof twice, &twice, 0);
  }
  ~TwiceTheMessageFont() {
    if (set) SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved, &saved, 0);
  }
  NONCLIENTMETRICSW saved{};
  bool set = false;
};

// The font's cell height, then each control's caption width, with this height (sign kept).
std::vector<LONG> Measure(LOGFONTW font, LONG height) {
  font.lfHeight = font.lfHeight < 0 ? -height : height;
  font.lfWidth = 0;
  const win32::UniqueFont handle(CreateFontIndirectW(&font));
  const win32::ScreenDcWithFont screen(handle.get());
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.get(), &metrics);
  std::vector<LONG> sizes{metrics.tmHeight};
  for (const ExpectedControl& control : kExpectedControls) {
    SIZE extent{};
    GetTextExtentPoint32W(screen.get(), control.text, static_cast<int>(std::wcslen(control.text)), &extent);
    sizes.push_back(extent.cx);
  }
  return sizes;
}

// The layout stays fixed when the text grows: the window's font shrinks until every caption
// fits its control, inside a push button's edges and focus rectangle (6 pixels at 96 DPI).
TEST_F(WindowLayout, WithTwiceTheMessageFontEveryCaptionStillFitsItsControl) {
  product_.reset();
  const TwiceTheMessageFont twice;
  ASSERT_TRUE(twice.set) << "cannot set the message font, error " << GetLastError();
  product_ = std::make_unique<ProductProcess>(L"", wmi_.Environment());
  window_ = product_->WaitForWindow(kMainWindowCaption, kStartTimeout);
  ASSERT_NE(window_, nullptr) << "the window did not appear";

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, EXPECTED_DPI));
  const LONG largest = std::abs(metrics.lfMessageFont.lfHeight);
  ASSERT_GT(Measure(metrics.lfMessageFont, largest)[0], Pixels(255)) << "a font the labels hold already";
  // The window's font cannot be read from here, its cell height can: the lists' line height.
  // Of the message font's heights giving that cell, the smallest is measured: the window's
  // font is at least as wide.
  const LRESULT lineHeight = SendMessageW(GetDlgItem(window_, control_ids::kLstWMI), LB_GETITEMHEIGHT, 0, 0);
  std::vector<LONG> sizes{0};
  for (LONG height = 1; height <= largest && sizes[0] != lineHeight; ++height) sizes = Measure(metrics.lfMessageFont, height);
  ASSERT_EQ(sizes[0], lineHeight) << "the lists' lines are not in the message font";
  for (std::size_t i = 0; i < std::size(kExpectedControls); ++i) {
    const ExpectedControl& control = kExpectedControls[i];
    if (*control.text == L'\0') continue;
    SCOPED_TRACE(control.name);
    const RECT rect = RectInParent(GetDlgItem(window_, control.id));
    const int edges = std::wstring_view(control.className) == L"Button" ? MulDiv(6, EXPECTED_DPI, 96) : 0;
    EXPECT_LE(sizes[i + 1], rect.right - rect.left - edges) << "the caption is too wide";
    EXPECT_LE(sizes[0], rect.bottom - rect.top - edges) << "the caption is too tall";
  }
}

TEST_F(WindowLayout, TheListsShowTheirLinesInTheSystemMessageFontAtTheWindowsDpi) {
  // A font handle means nothing outside its process; a list box's line height, set from the
  // font it is given, can be read from here.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, EXPECTED_DPI));
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  ASSERT_NE(font, nullptr);
  HDC screen = GetDC(nullptr);
  const HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICW text{};
  const BOOL measured = GetTextMetricsW(screen, &text);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  ASSERT_TRUE(measured);

  for (int id : {control_ids::kLstWMI, control_ids::kLstRegedit, control_ids::kLstSuppr}) {
    EXPECT_EQ(SendMessageW(GetDlgItem(window_, id), LB_GETITEMHEIGHT, 0, 0), text.tmHeight) << "list " << id;
  }
}

// The name a screen reader gives a control that has none of its own: the text of the label
// that precedes it in z-order, searching back until a control that starts a group of tab stops.
std::wstring NameFromTheLabelBefore(HWND control) {
  for (HWND previous = GetWindow(control, GW_HWNDPREV); previous; previous = GetWindow(previous, GW_HWNDPREV)) {
    const LONG style = GetWindowLongW(previous, GWL_STYLE);
    if ((style & WS_VISIBLE) == 0) continue;
    if (ClassName(previous) == L"Static") return WindowText(previous);
    if ((style & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP)) break;
  }
  return L"";
}

TEST_F(WindowLayout, ScreenReadersNameEachListAfterItsOwnLabelOnly) {
  EXPECT_EQ(NameFromTheLabelBefore(GetDlgItem(window_, control_ids::kLstWMI)), L"Par WMI");
  EXPECT_EQ(NameFromTheLabelBefore(GetDlgItem(window_, control_ids::kLstRegedit)), L"Par REGEDIT");
  EXPECT_NE(NameFromTheLabelBefore(GetDlgItem(window_, control_ids::kLstSuppr)), L"Par REGEDIT");
}

// A device name as wide, in the message font, as the screen's work area less a message box's
// frame, its margins (60 pixels at 96 DPI) and half of its icon column (60 pixels): a box with
// an icon cannot hold it, one without can. A box wraps its line after "\t-" and never inside
// a word, so the name takes a line of its own.
std::wstring NameThatFitsOnlyWithoutTheIconColumn() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const int frame = GetSystemMetricsForDpi(SM_CXFIXEDFRAME, EXPECTED_DPI) +
                    GetSystemMetricsForDpi(SM_CXPADDEDBORDER, EXPECTED_DPI);
  const int room = monitor.rcWork.right - monitor.rcWork.left - 2 * frame - MulDiv(60 + 30, EXPECTED_DPI, 96);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, EXPECTED_DPI);
  const win32::UniqueFont font(CreateFontIndirectW(&metrics.lfMessageFont));
  const win32::ScreenDcWithFont screen(font.get());
  std::wstring name = L"ImprimanteTropLarge";
  for (SIZE extent{}; GetTextExtentPoint32W(screen.get(), name.c_str(), static_cast<int>(name.size()), &extent) &&
                      extent.cx <= room;) {
    name += L'W';
  }
  return name;
}

// "Lancer nettoyage" with many stale names, at this prefix's DPI: the confirmation is the
// usual text while the screen holds it, and otherwise lists the names that fit and counts the
// others; either way it lies wholly on the screen, and Yes deletes every stale name. The last
// run has three stale names, the third too wide for the box with its icon. With 400, the key
// is read-only: the last message lists as many refused names as fit, and stays on the screen.
TEST(ConfirmationOnScreen, ShowsTheWholeListWhenItFitsOtherwiseTheFirstNamesAndHowManyMoreAndSoDoesTheRefusal) {
  ReadWindowsInPhysicalPixels();
  const std::wstring live = L"HP LaserJet 4250";
  const std::wstring wide = NameThatFitsOnlyWithoutTheIconColumn();
  for (int staleCount : {4, 400, 32767, 3}) {
    SCOPED_TRACE(staleCount);
    const bool withWide = staleCount == 3;
    ScratchKey devices(kDevicesKeyPath);
    std::vector<limits_test::DeviceValue> values;
    for (int i = 1; i <= staleCount - withWide; ++i) {
      values.push_back({L"Imprimante (redirection " + std::to_wstring(i) + L")", limits_test::PortOf(i)});
    }
    if (withWide) values.push_back({wide, limits_test::PortOf(0)});
    const bool withLive = staleCount < 32767;  // a list holds 32767 names at most
    if (withLive) values.push_back({live, L"winspool,Ne00:"});
    ASSERT_NO_FATAL_FAILURE(limits_test::SeedDevices(values));
    const std::vector<std::wstring> stale = limits_test::Without(ValueNames(kDevicesKeyPath), {live});
    ASSERT_EQ(stale.size(), static_cast<std::size_t>(staleCount));
    const bool refused = staleCount == 400;
    std::optional<RestrictedKey> readOnly;
    if (refused) readOnly.emplace(kDevicesKeyPath, KEY_READ);

    WmiDouble wmi(WmiDoubleSetup{{live}});
    ProductProcess product(L"", wmi.Environment());
    HWND window = limits_test::WaitForMainWindow(product, kStartTimeout);
    ASSERT_NE(window, nullptr);
    Press(GetDlgItem(window, control_ids::kCmdLancer));
    HWND box = product.WaitForMessageBox(kMessageBoxTitle, kStartTimeout);
    ASSERT_NE(box, nullptr) << "no confirmation";

    const std::wstring text = MessageBoxText(box);
    const std::size_t shown = NamesShown(text, stale);
    EXPECT_EQ(text, Confirmation(stale, shown));
    if (withWide) {
      EXPECT_LT(shown, stale.size());
      EXPECT_EQ(text.find(wide), std::wstring::npos) << "the box would be wider than the screen with its icon";
    } else if (staleCount == 4) {
      EXPECT_EQ(shown, stale.size()) << "a short list is shown whole";
    } else {
      EXPECT_GE(shown, 1u);
      EXPECT_LT(shown, stale.size());
      std::cout << "[ shown    ] " << shown << " of " << stale.size() << " names at " << EXPECTED_DPI << " DPI\n";
    }
    const auto expectOnScreen = [](HWND shownBox) {
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(shownBox, MONITOR_DEFAULTTONEAREST), &monitor));
      RECT frame{};
      GetWindowRect(shownBox, &frame);
      EXPECT_TRUE(frame.left >= monitor.rcWork.left && frame.top >= monitor.rcWork.top &&
                  frame.right <= monitor.rcWork.right && frame.bottom <= monitor.rcWork.bottom)
          << "the box spans " << frame.left << "," << frame.top << " to " << frame.right << "," << frame.bottom;
    };
    expectOnScreen(box);
    const RegistryExport before = ExportRegistry(HKEY_CURRENT_USER, L"HKCU", kDevicesKeyPath);

    PressMessageBoxButton(box, IDYES);
    HWND done = product.WaitForMessageBox(kMessageBoxTitle, 120000);
    ASSERT_NE(done, nullptr) << "no last message";
    const std::wstring last = MessageBoxText(done);
    if (refused) {
      EXPECT_NE(last.find(L" autres\r\nErreur 5 : "), std::wstring::npos) << "the refused names counted";
      EXPECT_EQ(last.find(L"fenêtre"), std::wstring::npos) << "the window is closing";
      expectOnScreen(done);
    } else {
      EXPECT_EQ(last, L"Nettoyage terminé !");
    }
    PressMessageBoxButton(done, IDOK);
    DWORD exitCode = 1;
    ASSERT_TRUE(product.WaitForExit(kExitTimeout, exitCode));
    EXPECT_EQ(exitCode, refused ? 2u : 0u);
    const RegistryExport after = ExportRegistry(HKEY_CURRENT_USER, L"HKCU", kDevicesKeyPath);
    RegistryKeyContents expected = refused ? before.begin()->second : RegistryKeyContents{};
    if (withLive && !refused) expected.values[live] = StringValue(L"winspool,Ne00:");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after.begin()->second, expected);
  }
}

}  // namespace
}  // namespace wine_test
