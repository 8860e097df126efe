#pragma once
// Drives the real program like a user would: starts NettoyageImprimantes.exe, finds its
// window and message boxes, reads controls, presses buttons, waits for the exit code.
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace wine_test {

// The directory of the running test executable, where the product and the test DLLs are.
std::wstring BinDirectory();
std::wstring ProductPath();
// The program as the tests build it a second time, its inventory questions given 3 seconds, for
// the tests that watch a deadline pass.
inline constexpr wchar_t kShortDeadlineProgram[] = L"NettoyageImprimantesDelaiCourt.exe";
inline constexpr unsigned kShortDeadlineSeconds = 3;

inline constexpr wchar_t kMainWindowCaption[] = L"Nettoyage des imprimantes";
inline constexpr wchar_t kMessageBoxTitle[] = L"Message QUORVANE";

// One insertion string the product wrote to the Application event log, as Wine prints it on
// its eventlog channel: "trace" for information, "warn" for a warning, "err" for an error.
struct LoggedString {
  std::string level;
  std::wstring text;
  bool operator==(const LoggedString&) const = default;
};
void PrintTo(const LoggedString& logged, std::ostream* out);

class ProductProcess {
 public:
  using Environment = std::vector<std::pair<std::wstring, std::wstring>>;
  // Directly, or by `cmd /c` as an administrator's script starts it: the arguments may then
  // hold redirections, and the exit code is cmd's, which is the product's.
  enum class Launch { Direct, ThroughCmd };

  // Starts the product with this argument text (after the quoted program path) and these
  // environment variables added to the test's own. Unless told not to, waits until the
  // product is idle (its event loop or a message box runs, or it has ended).
  explicit ProductProcess(const std::wstring& arguments, const Environment& extra = {},
                          bool waitUntilIdle = true, Launch launch = Launch::Direct,
                          const wchar_t* program = L"NettoyageImprimantes.exe");  // or kShortDeadlineProgram
  // Ends the process if the test left it running.
  ~ProductProcess();
  ProductProcess(const ProductProcess&) = delete;
  ProductProcess& operator=(const ProductProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  DWORD Id() const { return id_; }

  // Waits for the process to end; true and its exit code when it did within the time.
  bool WaitForExit(DWORD milliseconds, DWORD& exitCode);

  // The process's visible top-level window with this caption, or null after the time.
  HWND WaitForWindow(const std::wstring& caption, DWORD milliseconds) const;
  // The process's message box (dialog class #32770) with this title, or null after the time.
  HWND WaitForMessageBox(const std::wstring& title, DWORD milliseconds) const;
  // The same, showing this text: tells a box from the one it follows under the same title.
  HWND WaitForMessageBoxSaying(const std::wstring& title, const std::wstring& text, DWORD milliseconds) const;
  // Every top-level window the process has now, visible or not.
  std::vector<HWND> TopLevelWindows() const;
  // Every visible top-level window the process has now.
  std::vector<HWND> VisibleWindows() const;
  // What the process has written to the event log so far, in order. Wine prints it on the
  // standard error that the process shares with this test (scripts/wine-run.sh names the file).
  std::vector<LoggedString> EventLog() const;

 private:
  HWND WaitForBox(const std::wstring& title, const std::wstring* text, DWORD milliseconds) const;

  HANDLE process_ = nullptr;
  DWORD id_ = 0;  // the product's own, also when cmd started it
  std::uintmax_t outputAtStart_ = 0;
};

// WindowText, MessageBoxText, ButtonTexts and ListBoxItems ask the program's windows and wait
// at most 10 s for each answer: a program that crashed is held frozen by Wine's debugger, and
// no answer is a failure of the test, not a wait to CTest's timeout.
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The text of a message box: its static control with id 0xFFFF.
std::wstring MessageBoxText(HWND box);
// The texts of the push buttons of a dialog, in z-order.
std::vector<std::wstring> ButtonTexts(HWND dialog);
// Presses a button like a click does.
void Press(HWND button);
// A file for a command's redirected output, removed with the object; its text is read as cmd
// and PowerShell read it, in the OEM code page.
class RedirectedOutput {
 public:
  RedirectedOutput();
  ~RedirectedOutput() { DeleteFileW(path_.c_str()); }
  RedirectedOutput(const RedirectedOutput&) = delete;
  RedirectedOutput& operator=(const RedirectedOutput&) = delete;
  const std::wstring& Path() const { return path_; }
  std::wstring Text() const;

 private:
  std::wstring path_;
};
// Presses the message box's button with this id (IDYES, IDNO, IDOK), then waits until the box
// is gone (WaitUntilGone, up to kBoxGoneMilliseconds; a failure if it stays). The press is
// posted: the box stays on the screen until the program takes it, and for a moment while it
// closes, and a look for the next box by its title could meanwhile find this one, whose
// buttons go before it does. OK on a program's last box: the box goes with the program.
inline constexpr DWORD kBoxGoneMilliseconds = 15000;
void PressMessageBoxButton(HWND box, int buttonId);
// Waits until the window is gone: destroyed, or hidden (as a dialog is once answered, before it
// is destroyed). True when it went within the time.
bool WaitUntilGone(HWND window, DWORD milliseconds);
// The entries of a list box, through LB_GETCOUNT and LB_GETTEXT.
std::vector<std::wstring> ListBoxItems(HWND listBox);

}  // namespace wine_test
