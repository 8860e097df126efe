// The window as the design draws it, at the DPI of the prefix the tests run in (96 or 144):
// caption, client size, and every control's class, text, position and size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "WindowDriver.h"
#include "app/win32/ControlIds.h"
#include "support/ProductProcess.h"
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

}  // namespace
}  // namespace wine_test
