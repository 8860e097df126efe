#pragma once
// Form1 on the screen: the one top-level window, its labels, buttons and list boxes. It
// routes the two button clicks and the close box to Form1's handlers, shows Form1's three
// name lists, and is the window system Form1 talks to.
#include <windows.h>

#include <array>
#include <cstdint>

#include "app/ExitCodes.h"
#include "app/Form1.h"
#include "app/WindowSystem.h"
#include "app/win32/ScreenReaderName.h"
#include "common/win32/Raii.h"

class MainWindow final : public WindowSystem {
 public:
  // Registers the window class and creates the window, hidden, with its controls.
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The form whose events the window routes and whose lists it shows.
  void Attach(Form1& form);

  // Shows the window, unless it was unloaded already, and runs the event loop until the
  // program ends. Returns the exit code.
  int Run(int showCommand);

  // Brings the three list boxes up to date with Form1's name lists.
  void Mirror();

  int MsgBox(const std::wstring& text, const std::wstring& title, int style) override;
  bool MsgBoxFitsOnScreen(const std::wstring& text, int style) override;
  void Unload() override;
  void End() override;
  void SetExitCode(int exitCode) override;

 private:
  // One list box and the name list it shows: how much of the list it holds, and since
  // which clearing of the list.
  struct ListMirror {
    HWND box = nullptr;
    const NameList* list = nullptr;
    std::uint32_t generation = 0;
    std::int16_t shown = 0;
  };

  // Counts a message box of the program's as open for its lifetime.
  class BoxOpen {
   public:
    explicit BoxOpen(int& open) : open_(open) { ++open_; }
    ~BoxOpen() { --open_; }
    BoxOpen(const BoxOpen&) = delete;
    BoxOpen& operator=(const BoxOpen&) = delete;

   private:
    int& open_;
  };

  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void OnCommand(int id, int notification);
  void OnClose();
  void OnActivate(int state, bool minimized);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnDestroy();
  void OnNcDestroy();

  void CreateControls();
  // Font, control positions and window size for this DPI; the window keeps its top-left
  // corner, or moves to the one given.
  void ApplyDpi(UINT dpi, const POINT* topLeft);
  void MirrorList(ListMirror& mirror);
  // The owner of a message box: the window while it is shown. A box owned by a hidden window
  // (one shown at start-up, or after the window is gone) has no taskbar button and may open
  // behind other windows: it stands alone.
  HWND BoxOwner() const;
  // Destroys a window still there without ending the event loop.
  void DestroyDetached() noexcept;
  // The event boundary: reports the error being handled and ends the program.
  void EndWithErrorReport() noexcept;

  HWND window_ = nullptr;
  Form1* form_ = nullptr;
  win32::UniqueFont font_;
  HWND focus_ = nullptr;  // the control that had the focus when the window was last deactivated
  std::array<ListMirror, 3> lists_{};
  int exitCode_ = exit_codes::kDone;
  bool exitCodeSet_ = false;  // by Form1: after a cleanup's deletions, or by a preview
  int boxesOpen_ = 0;  // the program's message boxes on the screen now
  ScreenReaderName lstSupprName_;
};
