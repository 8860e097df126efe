// Times whole runs of a program under Wine, from its creation to the moment that matters:
//   BenchDriver run EXE [ARGUMENTS...]
//     until the process ends: prints elapsed_ms and exit_code;
//   BenchDriver run-to FILE EXE [ARGUMENTS...]
//     the same, with the program's standard output written to FILE, as a redirection does;
//   BenchDriver window EXE REGEDIT_COUNT WMI_COUNT
//     starts the product without arguments and waits until its window is visible with
//     lstRegedit holding REGEDIT_COUNT entries and lstWMI WMI_COUNT; prints shown_ms and
//     filled_ms, then how the window answers once filled: the slowest of a second of
//     message round trips (max_response_ms) and scrolling lstRegedit to its end and
//     repainting it (scroll_ms); then closes the window.
//   BenchDriver confirm EXE REGEDIT_COUNT WMI_COUNT
//     the same, then presses "Lancer nettoyage" and waits for the confirmation: prints
//     confirm_ms, from the press to the box on the screen, and confirm_names, the stale names
//     it lists; then answers No and, once the box is gone, closes the window.
// The child inherits this process's environment (PRINTER_CLEANUP_WMI_DOUBLE among it).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/win32/ControlIds.h"
#include "tests/wine/support/ProductProcess.h"

namespace {

constexpr DWORD kTimeoutMilliseconds = 300000;
constexpr UINT kAnswerTimeoutMilliseconds = 60000;

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double Milliseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 / static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

struct Child {
  HANDLE process = nullptr;
  DWORD id = 0;
  ~Child() {
    if (process) CloseHandle(process);
  }
};

// output, when given, is handed to the program as its standard output.
bool Start(const std::wstring& commandLine, Child& child, HANDLE output = nullptr) {
  std::wstring mutableLine = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &startup,
                      &info)) {
    std::fprintf(stderr, "cannot start the program: error %lu\n", GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  child.process = info.hProcess;
  child.id = info.dwProcessId;
  return true;
}

std::wstring Quoted(const wchar_t* text) { return L"\"" + std::wstring(text) + L"\""; }

// argv[first] is the program, the arguments follow; output as for Start.
int Run(int argc, wchar_t** argv, int first, HANDLE output) {
  std::wstring commandLine = Quoted(argv[first]);
  for (int i = first + 1; i < argc; ++i) commandLine += L" " + std::wstring(argv[i]);
  const Stopwatch stopwatch;
  Child child;
  if (!Start(commandLine, child, output)) return 1;
  if (WaitForSingleObject(child.process, kTimeoutMilliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(child.process, 1);
    std::fprintf(stderr, "the program did not end in time\n");
    return 1;
  }
  const double elapsed = stopwatch.Milliseconds();
  DWORD exitCode = 0;
  GetExitCodeProcess(child.process, &exitCode);
  std::printf("elapsed_ms=%.0f\nexit_code=%lu\n", elapsed, exitCode);
  return 0;
}

struct WindowSearch {
  DWORD processId;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t caption[128] = {};
  GetWindowTextW(window, caption, 128);
  if (owner == search->processId && IsWindowVisible(window) && std::wcscmp(caption, search->caption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleWindow(DWORD processId, const wchar_t* caption) {
  WindowSearch search{processId, caption, nullptr};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Presses "Lancer nettoyage" and times the confirmation; answers No.
bool Confirm(const Child& child, HWND window) {
  const Stopwatch asking;
  PostMessageW(GetDlgItem(window, control_ids::kCmdLancer), BM_CLICK, 0, 0);
  HWND box = nullptr;
  while (!box && asking.Milliseconds() < kTimeoutMilliseconds) {
    box = VisibleWindow(child.id, wine_test::kMessageBoxTitle);
    if (!box) Sleep(1);
  }
  const double shown = asking.Milliseconds();
  if (!box) {
    std::fprintf(stderr, "no confirmation appeared\n");
    return false;
  }
  // The box's text is its static control 0xFFFF; WM_GETTEXT reads it across processes.
  const HWND textControl = GetDlgItem(box, 0xFFFF);
  std::wstring text(static_cast<std::size_t>(SendMessageW(textControl, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(textControl, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  int lines = 0;
  for (std::size_t at = text.find(L"\r\n\t-"); at != std::wstring::npos; at = text.find(L"\r\n\t-", at + 2)) ++lines;
  std::printf("confirm_ms=%.0f\nconfirm_names=%d\n", shown, lines);
  PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
  // The window acts on no close request while its box is up: the caller's comes once the box
  // is gone (hidden as it closes, then destroyed).
  const Stopwatch closing;
  while (IsWindow(box) && IsWindowVisible(box)) {
    if (closing.Milliseconds() >= kTimeoutMilliseconds) {
      std::fprintf(stderr, "the confirmation stayed up after No\n");
      return false;
    }
    Sleep(1);
  }
  return true;
}

// The list's count, or -1 when the window does not answer within the time.
LRESULT Count(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMilliseconds, &count)) return -1;
  return static_cast<LRESULT>(count);
}

int Window(wchar_t** argv, bool confirm) {
  const LRESULT regeditCount = std::wcstol(argv[3], nullptr, 10);
  const LRESULT wmiCount = std::wcstol(argv[4], nullptr, 10);
  const Stopwatch stopwatch;
  Child child;
  if (!Start(Quoted(argv[2]), child)) return 1;

  HWND window = nullptr;
  double shown = -1;
  double filled = -1;
  while (filled < 0 && stopwatch.Milliseconds() < kTimeoutMilliseconds) {
    if (WaitForSingleObject(child.process, 5) == WAIT_OBJECT_0) {
      std::fprintf(stderr, "the product ended before its lists were filled\n");
      return 1;
    }
    if (!window) {
      window = VisibleWindow(child.id, wine_test::kMainWindowCaption);
      if (!window) continue;
      shown = stopwatch.Milliseconds();
    }
    if (Count(GetDlgItem(window, control_ids::kLstRegedit)) == regeditCount &&
        Count(GetDlgItem(window, control_ids::kLstWMI)) == wmiCount) {
      filled = stopwatch.Milliseconds();
    }
  }
  if (filled < 0) {
    TerminateProcess(child.process, 1);
    std::fprintf(stderr, "the lists were not filled in time\n");
    return 1;
  }

  double slowestAnswer = 0;
  const Stopwatch probing;
  while (probing.Milliseconds() < 1000) {
    const Stopwatch answer;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMilliseconds, &ignored);
    if (answer.Milliseconds() > slowestAnswer) slowestAnswer = answer.Milliseconds();
    Sleep(10);
  }
  const HWND regedit = GetDlgItem(window, control_ids::kLstRegedit);
  const Stopwatch scrolling;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(regedit, LB_SETTOPINDEX, static_cast<WPARAM>(regeditCount - 1), 0, SMTO_NORMAL,
                      kAnswerTimeoutMilliseconds, &ignored);
  UpdateWindow(regedit);
  const double scrolled = scrolling.Milliseconds();

  std::printf("shown_ms=%.0f\nfilled_ms=%.0f\nmax_response_ms=%.1f\nscroll_ms=%.1f\n", shown, filled, slowestAnswer,
              scrolled);
  if (confirm && !Confirm(child, window)) {
    TerminateProcess(child.process, 1);
    return 1;
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(child.process, kTimeoutMilliseconds) != WAIT_OBJECT_0) TerminateProcess(child.process, 1);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"run") == 0) return Run(argc, argv, 2, nullptr);
  if (argc >= 4 && std::wcscmp(argv[1], L"run-to") == 0) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "cannot create the output file: error %lu\n", GetLastError());
      return 1;
    }
    const int result = Run(argc, argv, 3, file);
    CloseHandle(file);
    return result;
  }
  if (argc == 5 && std::wcscmp(argv[1], L"window") == 0) return Window(argv, false);
  if (argc == 5 && std::wcscmp(argv[1], L"confirm") == 0) return Window(argv, true);
  std::fprintf(stderr, "usage: BenchDriver run EXE [ARGUMENTS...] | run-to FILE EXE [ARGUMENTS...] | window|confirm EXE REGEDIT_COUNT WMI_COUNT\n");
  return 2;
}
