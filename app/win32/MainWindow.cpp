#include "app/win32/MainWindow.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/ExitCodes.h"
#include "app/win32/ControlIds.h"
#include "app/win32/ErrorReport.h"
#include "app/win32/Layout.h"
#include "app/win32/MessageBoxFit.h"
#include "app/win32/Resources.h"
#include "app/win32/WindowFont.h"
#include "common/AppError.h"
#include "common/win32/LastError.h"
#include "inventory/win32/InventoryDeadline.h"

namespace {

constexpr wchar_t kClassName[] = L"NettoyageImprimantes.Form1";
constexpr wchar_t kCaption[] = L"Nettoyage des imprimantes";
// A fixed frame: the controls neither move nor resize with the window.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = 0;
// lstSuppr has no label of its own; screen readers get this name for it.
constexpr wchar_t kLstSupprName[] = L"Imprimantes à supprimer";

// List boxes and message boxes take C strings, which end at the first NUL; a device name may
// hold one. Each NUL is shown as this mark instead, so that the rest of the name, and of a
// message, stays visible.
constexpr wchar_t kNulMark = L'\u2400';  // SYMBOL FOR NULL

bool HoldsNul(const std::wstring& text) { return text.find(L'\0') != std::wstring::npos; }

std::wstring WithVisibleNuls(std::wstring text) {
  std::replace(text.begin(), text.end(), L'\0', kNulMark);
  return text;
}


// Stops a list box from repainting while it is filled, and repaints it once at the end.
class RedrawPause {
 public:
  explicit RedrawPause(HWND box) : box_(box) { SendMessageW(box_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawPause() {
    SendMessageW(box_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box_, nullptr, TRUE);
  }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  HWND box_;
};

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_NETTOYAGE), IMAGE_ICON,
                                                    0, 0, LR_DEFAULTSIZE | LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_NETTOYAGE), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) win32::ThrowLastError(L"enregistrement de la classe de la fenêtre");

  // The size is set once the window knows its DPI; the position is the system's choice.
  if (!CreateWindowExW(kWindowExStyle, kClassName, kCaption, kWindowStyle, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                       this)) {
    win32::ThrowLastError(L"création de la fenêtre");
  }
  try {
    CreateControls();
    lstSupprName_.Set(GetDlgItem(window_, control_ids::kLstSuppr), kLstSupprName);
    ApplyDpi(GetDpiForWindow(window_), nullptr);
  } catch (...) {
    DestroyDetached();
    throw;
  }
}

MainWindow::~MainWindow() { DestroyDetached(); }

void MainWindow::DestroyDetached() noexcept {
  if (!window_) return;
  // Only on an error path: the window is detached first so that its end posts no quit
  // message, which would close the error report at once.
  HWND window = window_;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  window_ = nullptr;
  DestroyWindow(window);
}

void MainWindow::Attach(Form1& form) {
  form_ = &form;
  const NameList* lists[] = {&form.lstWMI, &form.lstRegedit, &form.lstSuppr};
  const int ids[] = {control_ids::kLstWMI, control_ids::kLstRegedit, control_ids::kLstSuppr};
  for (std::size_t i = 0; i < lists_.size(); ++i) {
    lists_[i] = ListMirror{GetDlgItem(window_, ids[i]), lists[i], lists[i]->Generation(), 0};
  }
}

int MainWindow::Run(int showCommand) {
  Mirror();
  if (window_) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
  }
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) win32::ThrowLastError(L"lecture des messages de la fenêtre");
    if (window_ && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void MainWindow::Mirror() {
  if (!window_ || !form_) return;
  for (ListMirror& mirror : lists_) MirrorList(mirror);
}

void MainWindow::MirrorList(ListMirror& mirror) {
  const NameList& list = *mirror.list;
  if (mirror.generation != list.Generation()) {
    SendMessageW(mirror.box, LB_RESETCONTENT, 0, 0);
    mirror.generation = list.Generation();
    mirror.shown = 0;
  }
  const std::int16_t count = list.ListCount();
  if (mirror.shown >= count) return;

  std::size_t bytes = 0;
  for (std::int16_t i = mirror.shown; i < count; ++i) {
    bytes += (list.Items()[static_cast<std::size_t>(i)].size() + 1) * sizeof(wchar_t);
  }
  const RedrawPause pause(mirror.box);
  if (SendMessageW(mirror.box, LB_INITSTORAGE, static_cast<WPARAM>(count - mirror.shown),
                   static_cast<LPARAM>(bytes)) == LB_ERRSPACE) {
    throw AppError(L"réservation de la place de " + std::to_wstring(count - mirror.shown) +
                       L" entrées dans la liste " + list.ControlName(),
                   ERROR_NOT_ENOUGH_MEMORY);
  }
  for (; mirror.shown < count; ++mirror.shown) {
    const std::wstring& item = list.Items()[static_cast<std::size_t>(mirror.shown)];
    const std::wstring shown = HoldsNul(item) ? WithVisibleNuls(item) : std::wstring();
    const wchar_t* text = shown.empty() ? item.c_str() : shown.c_str();
    const LRESULT added = SendMessageW(mirror.box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (added == LB_ERR || added == LB_ERRSPACE) {
      const DWORD error = GetLastError();
      throw AppError(L"ajout de l'entrée " + std::to_wstring(mirror.shown) + L" à la liste " +
                         list.ControlName() + L" de la fenêtre",
                     added == LB_ERRSPACE || error == 0 ? ERROR_NOT_ENOUGH_MEMORY : error);
    }
  }
}

int MainWindow::MsgBox(const std::wstring& text, const std::wstring& title, int style) {
  // The window shows the lists as they are when the question is asked.
  Mirror();
  const BoxOpen open(boxesOpen_);
  const int answer = MessageBoxW(BoxOwner(), WithVisibleNuls(text).c_str(), title.c_str(), static_cast<UINT>(style));
  if (answer == 0) win32::ThrowLastError(L"affichage du message « " + title + L" »");
  return answer;
}

bool MainWindow::MsgBoxFitsOnScreen(const std::wstring& text, int style) {
  return MessageBoxFitsOnScreen(window_, WithVisibleNuls(text), static_cast<UINT>(style));
}

HWND MainWindow::BoxOwner() const { return window_ && IsWindowVisible(window_) ? window_ : nullptr; }

void MainWindow::Unload() {
  if (window_) DestroyWindow(window_);
}

void MainWindow::End() { ExitProcess(static_cast<UINT>(exitCode_)); }

void MainWindow::SetExitCode(int exitCode) {
  exitCode_ = exitCode;
  exitCodeSet_ = true;
}

LRESULT CALLBACK MainWindow::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    // Windows 10 1607 knows only the first per-monitor awareness, where a window's caption and
    // borders follow a new DPI only if it asks for that while it is created; later versions
    // (per-monitor v2) scale them by themselves, and the call changes nothing there.
    EnableNonClientDpiScaling(window);
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  // No error unwinds through the window system's frames.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    self->EndWithErrorReport();
    return 0;
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // An inventory question passed its deadline and its report ends the program: the window still
  // answers what it is sent, but acts on no command and no close request.
  if (inventory::InventoryDeadline::Passed() && (message == WM_COMMAND || message == WM_CLOSE)) return 0;
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam), HIWORD(wParam) != 0); return 0;
    case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      OnNcDestroy();
      return DefWindowProcW(window, message, wParam, lParam);
    }
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCommand(int id, int notification) {
  if (!form_ || notification != BN_CLICKED) return;
  switch (id) {
    case control_ids::kCmdLancer: form_->cmdLancer_Click(); break;
    case control_ids::kCmdSortir: form_->cmdSortir_Click(); break;
    default: return;  // Enter and Escape arrive as IDOK and IDCANCEL: no button of ours
  }
  Mirror();
}

void MainWindow::OnClose() {
  // A close request while one of the program's message boxes is up (taskkill without /f sends
  // one) is not acted on: closing would destroy the box under its question, and a confirmed
  // cleanup would then end with an error report.
  if (boxesOpen_ > 0) return;
  // The close box behaves like "Sortir".
  if (!form_) {
    Unload();
    return;
  }
  form_->cmdSortir_Click();
  Mirror();
}

// Keeps the keyboard focus on a control across deactivation, as a dialog does; the first
// activation puts it on lstWMI.
void MainWindow::OnActivate(int state, bool minimized) {
  if (state == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) focus_ = focus;
    return;
  }
  if (minimized) return;
  SetFocus(focus_ ? focus_ : GetDlgItem(window_, control_ids::kLstWMI));
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  const POINT topLeft{suggested.left, suggested.top};
  ApplyDpi(dpi, &topLeft);
}

void MainWindow::OnDestroy() {
  lstSupprName_.Clear();
  PostQuitMessage(exitCode_);
}

void MainWindow::OnNcDestroy() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  window_ = nullptr;
  focus_ = nullptr;
}

void MainWindow::CreateControls() {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  for (const layout::ControlLayout& control : layout::kControls) {
    if (!CreateWindowExW(control.exStyle, control.className, control.text, control.style, 0, 0, 0, 0,
                         window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                         instance, nullptr)) {
      win32::ThrowLastError(L"création du contrôle " + std::to_wstring(control.id) + L" de la fenêtre");
    }
  }
}

void MainWindow::ApplyDpi(UINT dpi, const POINT* topLeft) {
  // Every caption shows whole, whatever text size the user chose.
  std::vector<window_font::CaptionRoom> captions;
  for (const layout::ControlLayout& control : layout::kControls) {
    if (*control.text == L'\0') continue;
    const bool button = std::wstring_view(control.className) == L"Button";
    const int edges = button ? MulDiv(layout::kButtonEdges, static_cast<int>(dpi), 96) : 0;
    captions.push_back({control.text, layout::TwipsToPixels(control.width, dpi) - edges,
                        layout::TwipsToPixels(control.height, dpi) - edges});
  }
  win32::UniqueFont font = window_font::Create(dpi, captions);

  for (const layout::ControlLayout& control : layout::kControls) {
    HWND child = GetDlgItem(window_, control.id);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    SetWindowPos(child, nullptr, layout::TwipsToPixels(control.left, dpi),
                 layout::TwipsToPixels(control.top, dpi), layout::TwipsToPixels(control.width, dpi),
                 layout::TwipsToPixels(control.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(child, nullptr, TRUE);
  }
  font_ = std::move(font);  // the previous font is freed once no control uses it

  RECT frame{0, 0, layout::TwipsToPixels(layout::kClientWidth, dpi),
             layout::TwipsToPixels(layout::kClientHeight, dpi)};
  if (!AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, kWindowExStyle, dpi)) {
    win32::ThrowLastError(L"calcul de la taille de la fenêtre");
  }
  SetWindowPos(window_, nullptr, topLeft ? topLeft->x : 0, topLeft ? topLeft->y : 0,
               frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE | (topLeft ? 0 : SWP_NOMOVE));
}

void MainWindow::EndWithErrorReport() noexcept {
  {
    const BoxOpen open(boxesOpen_);
    error_report::ReportCurrentException(BoxOwner());
  }
  // An error after the deletions keeps the code that says what they did: 1 says nothing was deleted.
  if (!exitCodeSet_) exitCode_ = exit_codes::kError;
  if (window_) {
    DestroyWindow(window_);
  } else {
    PostQuitMessage(exitCode_);
  }
}
