// The window as a user meets it: what its lists show, where the focus starts and how the
// Tab key moves it, the keys that must press nothing, and the two ways of closing it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "WindowDriver.h"
#include "app/win32/ControlIds.h"
#include "support/ProductProcess.h"
#include "support/ScratchKey.h"
#include "support/WmiDouble.h"

namespace wine_test {
namespace {

using Names = std::vector<std::wstring>;

constexpr DWORD kFocusTimeout = 5000;
constexpr DWORD kNoBoxWait = 500;

// The product started without arguments on a Devices key and a WMI inventory of our own.
class Window : public testing::Test {
 protected:
  void Start(const Names& deviceNames, const Names& printers) {
    // A previous start's key goes first: its removal would take the new key with it.
    product_.reset();
    wmi_.reset();
    devices_.reset();
    devices_ = std::make_unique<ScratchKey>(kDevicesKeyPath);
    for (const std::wstring& name : deviceNames) devices_->SetString(name, L"winspool,Ne00:");
    wmi_ = std::make_unique<WmiDouble>(WmiDoubleSetup{printers});
    product_ = std::make_unique<ProductProcess>(L"", wmi_->Environment());
    window_ = product_->WaitForWindow(kMainWindowCaption, kStartTimeout);
    ASSERT_NE(window_, nullptr) << "the window did not appear";
  }
  HWND Control(int id) const { return GetDlgItem(window_, id); }

  std::unique_ptr<ScratchKey> devices_;
  std::unique_ptr<WmiDouble> wmi_;
  std::unique_ptr<ProductProcess> product_;
  HWND window_ = nullptr;
};

TEST_F(Window, ShowsThePrintersAndTheDeviceNamesInTheirSourcesOrder) {
  ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne imprimante à Noël", L"HP LaserJet"},
                                {L"Zèbre 東京", L"HP LaserJet", L"Canon – Étage 2"}));
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstWMI)), (Names{L"Zèbre 東京", L"HP LaserJet", L"Canon – Étage 2"}));
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstRegedit)), ValueNames(kDevicesKeyPath));
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstRegedit)).size(), 2u);
  EXPECT_TRUE(ListBoxItems(Control(control_ids::kLstSuppr)).empty());
}

TEST_F(Window, WithNoDataAtAllOpensWithThreeEmptyListsAndBothButtonsEnabled) {
  ASSERT_NO_FATAL_FAILURE(Start({}, {}));
  for (int id : {control_ids::kLstWMI, control_ids::kLstRegedit, control_ids::kLstSuppr}) {
    EXPECT_TRUE(ListBoxItems(Control(id)).empty()) << "list " << id;
  }
  for (int id : {control_ids::kCmdLancer, control_ids::kCmdSortir}) {
    EXPECT_TRUE(IsWindowEnabled(Control(id))) << "button " << id;
  }
}

TEST_F(Window, ListsArePlainUnsortedSingleSelectionListsAndNoButtonIsTheDefault) {
  ASSERT_NO_FATAL_FAILURE(Start({}, {L"Zèbre", L"Alpha"}));
  for (int id : {control_ids::kLstWMI, control_ids::kLstRegedit, control_ids::kLstSuppr}) {
    const LONG style = GetWindowLongW(Control(id), GWL_STYLE);
    EXPECT_EQ(style & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_MULTICOLUMN), 0) << "list " << id;
  }
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstWMI)), (Names{L"Zèbre", L"Alpha"}));
  for (int id : {control_ids::kCmdLancer, control_ids::kCmdSortir}) {
    EXPECT_EQ(GetWindowLongW(Control(id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "button " << id;
  }
  EXPECT_NE(GetWindowLongW(Control(control_ids::kLabel1), GWL_STYLE) & WS_TABSTOP, WS_TABSTOP);
}

TEST_F(Window, TheFocusStartsOnTheWmiListAndTabGoesRegeditSortirLancerSupprAndRoundAgain) {
  ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne"}, {L"HP LaserJet"}));
  HWND focus = WaitForFocus(window_, kFocusTimeout);
  ASSERT_EQ(focus, Control(control_ids::kLstWMI));

  const struct {
    const char* name;
    int id;
  } expected[] = {{"lstRegedit", control_ids::kLstRegedit}, {"cmdSortir", control_ids::kCmdSortir},
                  {"cmdLancer", control_ids::kCmdLancer},   {"lstSuppr", control_ids::kLstSuppr},
                  {"lstWMI", control_ids::kLstWMI}};
  for (const auto& next : expected) {
    PressKey(focus, VK_TAB);
    focus = WaitForFocusChange(window_, focus, kFocusTimeout);
    ASSERT_EQ(focus, Control(next.id)) << "Tab should reach " << next.name;
  }
}

TEST_F(Window, EnterAndEscapeOnAnyListPressNoButton) {
  ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne"}, {L"HP LaserJet"}));
  HWND focus = WaitForFocus(window_, kFocusTimeout);
  ASSERT_EQ(focus, Control(control_ids::kLstWMI));

  // From each list, Enter and Escape, then Tab: the Tab is handled after the two keys, so the
  // focus moving on shows they were handled too (a message box would keep the Tab for itself).
  const struct {
    const char* name;
    int id;
    int tabsToNextList;
  } lists[] = {{"lstWMI", control_ids::kLstWMI, 1},
               {"lstRegedit", control_ids::kLstRegedit, 3},
               {"lstSuppr", control_ids::kLstSuppr, 1}};
  for (const auto& list : lists) {
    SCOPED_TRACE(list.name);
    ASSERT_EQ(focus, Control(list.id));
    PressKey(focus, VK_RETURN);
    PressKey(focus, VK_ESCAPE);
    for (int tab = 0; tab < list.tabsToNextList; ++tab) {
      PressKey(focus, VK_TAB);
      focus = WaitForFocusChange(window_, focus, kFocusTimeout);
    }
    EXPECT_EQ(product_->WaitForMessageBox(kMessageBoxTitle, 0), nullptr) << "a button was pressed";
    DWORD exitCode = 0;
    ASSERT_FALSE(product_->WaitForExit(0, exitCode)) << "the program ended, with code " << exitCode;
  }
  EXPECT_EQ(focus, Control(control_ids::kLstWMI));
  EXPECT_EQ(product_->WaitForMessageBox(kMessageBoxTitle, kNoBoxWait), nullptr);
  EXPECT_TRUE(ListBoxItems(Control(control_ids::kLstSuppr)).empty()) << "the cleanup ran";
  EXPECT_EQ(ValueNames(kDevicesKeyPath), Names{L"Ancienne"});
}

TEST_F(Window, TheStaleNamesShowInTheSmallListBehindTheConfirmationAndStayAfterNo) {
  ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne", L"HP LaserJet", L"Vieille"}, {L"HP LaserJet"}));
  Press(Control(control_ids::kCmdLancer));
  HWND box = product_->WaitForMessageBox(kMessageBoxTitle, kStartTimeout);
  ASSERT_NE(box, nullptr) << "no confirmation";

  const Names stale{L"Ancienne", L"Vieille"};
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstSuppr)), stale);
  PressMessageBoxButton(box, IDNO);
  ASSERT_NE(product_->WaitForWindow(kMainWindowCaption, kStartTimeout), nullptr);

  // Asked again: the list is rebuilt, not doubled.
  Press(Control(control_ids::kCmdLancer));
  box = product_->WaitForMessageBox(kMessageBoxTitle, kStartTimeout);
  ASSERT_NE(box, nullptr) << "no second confirmation";
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstSuppr)), stale);
  PressMessageBoxButton(box, IDNO);
  EXPECT_EQ(ValueNames(kDevicesKeyPath).size(), 3u);
}

TEST_F(Window, SortirAndTheCloseBoxEndTheProgramWithCodeZeroDeletingNothing) {
  const struct {
    const char* how;
    UINT message;
    WPARAM wParam;
  } closings[] = {{"Sortir", BM_CLICK, 0}, {"close box", WM_SYSCOMMAND, SC_CLOSE}, {"WM_CLOSE", WM_CLOSE, 0}};
  for (const auto& closing : closings) {
    SCOPED_TRACE(closing.how);
    ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne"}, {L"HP LaserJet"}));
    HWND target = closing.message == BM_CLICK ? Control(control_ids::kCmdSortir) : window_;
    PostMessageW(target, closing.message, closing.wParam, 0);

    std::vector<std::wstring> shown;
    DWORD exitCode = 99;
    ASSERT_TRUE(WatchUntilExit(*product_, kExitTimeout, shown, exitCode)) << "the program did not end";
    EXPECT_EQ(exitCode, 0u);
    for (const std::wstring& seen : shown) {
      EXPECT_EQ(seen.find(L"#32770"), std::wstring::npos) << "a message box appeared: " << testing::PrintToString(seen);
    }
    EXPECT_EQ(ValueNames(kDevicesKeyPath), Names{L"Ancienne"});
  }
}

TEST_F(Window, AConfirmedCleanupEndsTheProgramWithCodeZeroOnceTheCompletionIsAcknowledged) {
  ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne", L"HP LaserJet"}, {L"HP LaserJet"}));
  Press(Control(control_ids::kCmdLancer));
  HWND box = product_->WaitForMessageBox(kMessageBoxTitle, kStartTimeout);
  ASSERT_NE(box, nullptr) << "no confirmation";
  PressMessageBoxButton(box, IDYES);

  HWND done = product_->WaitForMessageBoxSaying(kMessageBoxTitle, L"Nettoyage terminé !", kStartTimeout);
  ASSERT_NE(done, nullptr) << "no completion message";
  DWORD exitCode = 99;
  EXPECT_FALSE(product_->WaitForExit(0, exitCode)) << "the program must wait for the acknowledgement";
  PressMessageBoxButton(done, IDOK);
  ASSERT_TRUE(product_->WaitForExit(kExitTimeout, exitCode)) << "the program did not end";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ValueNames(kDevicesKeyPath), Names{L"HP LaserJet"});
}

// taskkill without /f posts WM_CLOSE to every top-level window of the program, its message
// box included. A box with only OK (here the completion message) is dismissed, and the
// program ends with the code of what happened. The Yes/No question has no Cancel
// button: Windows leaves it up, Wine 8 closes it as No. Either way nothing is deleted and the
// window stays, as its own request came while the box was up. (Posted after the box's, Wine
// may take the window's request once the box is gone, and end the program as "Sortir" does.)
TEST_F(Window, ACloseRequestWhileAMessageBoxIsUpDeletesNothingUnconfirmedAndTheExitCodeStaysTrue) {
  ASSERT_NO_FATAL_FAILURE(Start({L"Ancienne", L"HP LaserJet"}, {L"HP LaserJet"}));
  const auto requestClose = [](const ProductProcess& product, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    for (HWND other : product.TopLevelWindows()) {
      if (other != window) PostMessageW(other, WM_CLOSE, 0, 0);
    }
  };

  Press(Control(control_ids::kCmdLancer));
  HWND box = product_->WaitForMessageBox(kMessageBoxTitle, kStartTimeout);
  ASSERT_NE(box, nullptr) << "no confirmation";
  requestClose(*product_, window_);
  // No for Windows, where the box stays. Posted after the close requests, it cannot come before
  // them; on Wine the box may be gone, or going, by now.
  if (HWND no = GetDlgItem(box, IDNO)) Press(no);
  ASSERT_TRUE(WaitUntilGone(box, kBoxGoneMilliseconds)) << "the confirmation stayed up";
  ASSERT_NE(product_->WaitForWindow(kMainWindowCaption, kStartTimeout), nullptr) << "the window is gone";
  DWORD exitCode = 99;
  EXPECT_FALSE(product_->WaitForExit(kNoBoxWait, exitCode)) << "the program ended, with code " << exitCode;
  EXPECT_EQ(ValueNames(kDevicesKeyPath), (Names{L"Ancienne", L"HP LaserJet"}));

  Press(Control(control_ids::kCmdLancer));
  box = product_->WaitForMessageBox(kMessageBoxTitle, kStartTimeout);
  ASSERT_NE(box, nullptr) << "no confirmation";
  PressMessageBoxButton(box, IDYES);
  ASSERT_NE(product_->WaitForMessageBoxSaying(kMessageBoxTitle, L"Nettoyage terminé !", kStartTimeout), nullptr)
      << "no completion message";
  requestClose(*product_, window_);
  ASSERT_TRUE(product_->WaitForExit(kExitTimeout, exitCode)) << "the completion message was not dismissed";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ValueNames(kDevicesKeyPath), Names{L"HP LaserJet"});
}

// The window system tells a per-monitor aware window of a new DPI with WM_DPICHANGED and a
// suggested frame; that frame is written into the program's memory as Windows would pass it.
TEST_F(Window, ANewDpiLaysTheWindowAndItsControlsOutAgainAtThatDpi) {
  ReadWindowsInPhysicalPixels();
  ASSERT_NO_FATAL_FAILURE(Start({}, {L"HP LaserJet"}));
  constexpr UINT kNewDpi = 120;  // at 192 the window would outgrow the test screen (1024 x 768)
  const auto pixels = [](int twips) { return twips * static_cast<double>(kNewDpi) / 1440.0; };

  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, product_->Id());
  ASSERT_NE(process, nullptr);
  void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  const RECT suggested{40, 30, 40 + 800, 30 + 500};
  ASSERT_TRUE(WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr));
  SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(kNewDpi, kNewDpi), reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);

  // Only the message is simulated: the frame keeps its present look, so the check is on the
  // size the program asked for, a client area of 9150 x 5205 twips inside a frame at the new DPI.
  RECT expectedFrame{0, 0, MulDiv(9150, kNewDpi, 1440), MulDiv(5205, kNewDpi, 1440)};
  ASSERT_TRUE(AdjustWindowRectExForDpi(&expectedFrame, GetWindowLongW(window_, GWL_STYLE), FALSE,
                                       GetWindowLongW(window_, GWL_EXSTYLE), kNewDpi));
  RECT frame{};
  GetWindowRect(window_, &frame);
  EXPECT_NEAR(frame.right - frame.left, expectedFrame.right - expectedFrame.left, 1.0);
  EXPECT_NEAR(frame.bottom - frame.top, expectedFrame.bottom - expectedFrame.top, 1.0);
  EXPECT_EQ(frame.left, suggested.left) << "the window moves where the system suggests";
  EXPECT_EQ(frame.top, suggested.top);

  const struct {
    int id;
    int left, top, width, height;
  } controls[] = {{control_ids::kLstWMI, 120, 360, 4335, 4155}, {control_ids::kCmdSortir, 7680, 4680, 1335, 375},
                  {control_ids::kLstSuppr, 120, 4560, 4335, 450}, {control_ids::kLabel2, 4680, 120, 4335, 255}};
  for (const auto& expected : controls) {
    SCOPED_TRACE(expected.id);
    const RECT rect = RectInParent(Control(expected.id));
    EXPECT_NEAR(rect.left, pixels(expected.left), 1.0);
    EXPECT_NEAR(rect.top, pixels(expected.top), 1.0);
    EXPECT_NEAR(rect.right - rect.left, pixels(expected.width), 1.0);
    EXPECT_NEAR(rect.bottom - rect.top, pixels(expected.height), 1.0);
  }

  // The lists' lines follow the message font at the new DPI.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, kNewDpi));
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  HDC screen = GetDC(nullptr);
  const HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICW text{};
  GetTextMetricsW(screen, &text);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  EXPECT_EQ(SendMessageW(Control(control_ids::kLstWMI), LB_GETITEMHEIGHT, 0, 0), text.tmHeight);
  EXPECT_EQ(ListBoxItems(Control(control_ids::kLstWMI)), Names{L"HP LaserJet"});
}

TEST_F(Window, FullListsOf32767NamesOnEachSideAreShownWhole) {
  Names printers;
  Names devices;
  for (int i = 0; i < 32767; ++i) {
    printers.push_back(L"Imprimante " + std::to_wstring(i));
    devices.push_back(L"Ancienne " + std::to_wstring(i));
  }
  ASSERT_NO_FATAL_FAILURE(Start(devices, printers));
  HWND lstWMI = Control(control_ids::kLstWMI);
  HWND lstRegedit = Control(control_ids::kLstRegedit);
  ASSERT_EQ(SendMessageW(lstWMI, LB_GETCOUNT, 0, 0), 32767);
  ASSERT_EQ(SendMessageW(lstRegedit, LB_GETCOUNT, 0, 0), 32767);

  const Names expectedRegedit = ValueNames(kDevicesKeyPath);
  for (int index : {0, 1, 16383, 32766}) {
    wchar_t text[64] = {};
    SendMessageW(lstWMI, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), printers[static_cast<std::size_t>(index)]);
    SendMessageW(lstRegedit, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), expectedRegedit[static_cast<std::size_t>(index)]);
  }
}

}  // namespace
}  // namespace wine_test
