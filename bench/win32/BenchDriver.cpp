// Times whole runs of a program under Wine, from its creation to the moment that matters:
//   BenchDriver run EXE [ARGUMENTS...]
//     until the process ends: prints elapsed_ms and exit_code;
//   BenchDriver window EXE REGEDIT_COUNT WMI_COUNT
//     starts the product without arguments and waits until its window is visible with
//     lstRegedit holding REGEDIT_COUNT entries and lstWMI WMI_COUNT; prints shown_ms and
//     filled_ms, then how the window answers once filled: the slowest of a second of
//     message round trips (max_response_ms) and scrolling lstRegedit to its end and
//     repainting it (scroll_ms); then closes the window.
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

bool Start(const std::wstring& commandLine, Child& child) {
  std::wstring mutableLine = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "cannot start the program: error %lu\n", GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  child.process = info.hProcess;
  child.id = info.dwProcessId;
  return true;
}

std::wstring Quoted(const wchar_t* text) { return L"\"" + std::wstring(text) + L"\""; }

int Run(int argc, wchar_t** argv) {
  std::wstring commandLine = Quoted(argv[2]);
  for (int i = 3; i < argc; ++i) commandLine += L" " + std::wstring(argv[i]);
  const Stopwatch stopwatch;
  Child child;
  if (!Start(commandLine, child)) return 1;
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
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t caption[128] = {};
  GetWindowTextW(window, caption, 128);
  if (owner == search->processId && IsWindowVisible(window) &&
      std::wcscmp(caption, wine_test::kMainWindowCaption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The list's count, or -1 when the window does not answer within the time.
LRESULT Count(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMilliseconds, &count)) return -1;
  return static_cast<LRESULT>(count);
}

int Window(wchar_t** argv) {
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
      WindowSearch search{child.id, nullptr};
      EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
      if (!search.found) continue;
      window = search.found;
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
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(child.process, kTimeoutMilliseconds) != WAIT_OBJECT_0) TerminateProcess(child.process, 1);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"run") == 0) return Run(argc, argv);
  if (argc == 5 && std::wcscmp(argv[1], L"window") == 0) return Window(argv);
  std::fprintf(stderr, "usage: BenchDriver run EXE [ARGUMENTS...] | window EXE REGEDIT_COUNT WMI_COUNT\n");
  return 2;
}
