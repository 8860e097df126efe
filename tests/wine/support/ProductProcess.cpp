#include "support/ProductProcess.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>

namespace wine_test {
namespace {

constexpr DWORD kPollMilliseconds = 50;
// A program that crashes is held by Wine's debugger, frozen, with its windows still there: a
// message sent to them would wait to the end of the test run. One that runs answers at once.
constexpr UINT kAnswerMilliseconds = 10000;

// The window's answer to the message, or `unanswered` when it cannot be sent (the window is
// gone) or no answer comes in time, which is a failure.
LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT unanswered) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerMilliseconds, &answer)) {
    return static_cast<LRESULT>(answer);
  }
  if (GetLastError() == ERROR_TIMEOUT) {
    ADD_FAILURE() << "the program did not answer message 0x" << std::hex << message << std::dec << " within "
                  << kAnswerMilliseconds / 1000 << " s: it hangs or crashed";
  }
  return unanswered;
}

struct WindowSearch {
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && (!search->visibleOnly || IsWindowVisible(window))) {
    search->found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD processId, bool visibleOnly) {
  WindowSearch search{processId, visibleOnly, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The test's environment block with the extra variables added (or replaced).
std::vector<wchar_t> EnvironmentBlock(const ProductProcess::Environment& extra) {
  std::vector<std::wstring> entries;
  if (wchar_t* current = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) {
      std::wstring text(entry);
      bool replaced = false;
      for (const auto& [name, value] : extra) {
        if (_wcsnicmp(text.c_str(), (name + L"=").c_str(), name.size() + 1) == 0) replaced = true;
      }
      if (!replaced) entries.push_back(text);
    }
    FreeEnvironmentStringsW(current);
  }
  for (const auto& [name, value] : extra) entries.push_back(name + L"=" + value);
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries) block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
  block.push_back(L'\0');
  return block;
}

// The file that holds this test's standard output and error, and so Wine's debug output of
// the processes it starts.
std::filesystem::path OutputFile() {
  wchar_t path[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"WINE_RUN_OUTPUT", path, MAX_PATH);
  return path;
}

// Wine's debug form of a string: \r, \n, \t, \\, \" and \XXXX (four hex digits) escapes.
std::wstring Unescape(const std::string& quoted) {
  std::wstring text;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    const char next = i + 1 < quoted.size() && quoted[i] == '\\' ? quoted[++i] : '\0';
    if (next == '\0') text += static_cast<wchar_t>(static_cast<unsigned char>(quoted[i]));
    else if (next == 'r' || next == 'n' || next == 't') text += next == 'r' ? L'\r' : next == 'n' ? L'\n' : L'\t';
    else if (!std::isxdigit(static_cast<unsigned char>(next))) text += static_cast<wchar_t>(next);
    else text += static_cast<wchar_t>(std::stoul(quoted.substr(i, 4), nullptr, 16)), i += 3;
  }
  return text;
}

// The process that `parent` started, once it has started one; 0 if the parent ends first.
DWORD ChildOf(DWORD parent, HANDLE parentProcess) {
  const ULONGLONG deadline = GetTickCount64() + 20000;
  do {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !child; more = Process32NextW(snapshot, &entry)) {
      if (entry.th32ParentProcessID == parent) child = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    if (child) return child;
  } while (WaitForSingleObject(parentProcess, 1) == WAIT_TIMEOUT && GetTickCount64() < deadline);
  return 0;
}

}  // namespace

void PrintTo(const LoggedString& logged, std::ostream* out) {
  *out << logged.level << " " << testing::PrintToString(logged.text);
}

std::wstring BinDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L"\\/"));
}

std::wstring ProductPath() { return BinDirectory() + L"\\NettoyageImprimantes.exe"; }

ProductProcess::ProductProcess(const std::wstring& arguments, const Environment& extra,
                               bool waitUntilIdle, Launch launch, const wchar_t* program) {
  std::wstring commandLine = L"\"" + BinDirectory() + L"\\" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  // cmd takes away the first and the last quote of what follows /c.
  if (launch == Launch::ThroughCmd) commandLine = L"cmd.exe /c \"" + commandLine + L"\"";
  // The product prints what it writes to the event log: Wine's event log is a stub.
  Environment withEventLog = extra;
  withEventLog.emplace_back(L"WINEDEBUG", L"-all,+eventlog,fixme+advapi");
  std::vector<wchar_t> environment = EnvironmentBlock(withEventLog);
  std::error_code noFile;  // then EventLog says so
  outputAtStart_ = std::filesystem::file_size(OutputFile(), noFile);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start the product, error " << GetLastError();
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = launch == Launch::ThroughCmd ? ChildOf(info.dwProcessId, process_) : info.dwProcessId;
  if (waitUntilIdle) WaitForInputIdle(process_, 10000);
}

ProductProcess::~ProductProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool ProductProcess::WaitForExit(DWORD milliseconds, DWORD& exitCode) {
  if (!process_ || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_, &exitCode) != 0;
}

std::vector<HWND> ProductProcess::TopLevelWindows() const { return WindowsOf(id_, false); }

std::vector<LoggedString> ProductProcess::EventLog() const {
  std::ifstream output(OutputFile(), std::ios::binary);
  EXPECT_TRUE(output) << "WINE_RUN_OUTPUT does not name this test's output file";
  output.seekg(static_cast<std::streamoff>(outputAtStart_));
  // Each event: 0108:fixme:advapi:ReportEventW (handle,type,category,id,sid,count,...): stub,
  // then its strings, one line each: 0108:warn:eventlog:ReportEventW L"Ancienne"
  const std::regex event(R"line(^[0-9a-f]+:fixme:advapi:ReportEventW \([0-9A-Fa-f]+,0x([0-9a-f]+),0x([0-9a-f]+),)line"
                         R"line(0x([0-9a-f]+),([0-9A-Fa-f]+),.*)line");
  const std::regex logged(R"line(^[0-9a-f]+:(\w+):eventlog:ReportEventW L"(.*)"$)line");
  std::vector<LoggedString> strings;
  std::smatch match;
  for (std::string line; std::getline(output, line);) {
    if (std::regex_match(line, match, logged)) strings.push_back({match[1], Unescape(match[2])});
    if (!std::regex_match(line, match, event)) continue;
    // Event Viewer finds the sentence by the id, which goes with the level, and names the
    // user by the SID.
    const unsigned long type = std::stoul(match[1], nullptr, 16), id = std::stoul(match[3], nullptr, 16);
    EXPECT_EQ(id, type == EVENTLOG_INFORMATION_TYPE ? 1u : type == EVENTLOG_WARNING_TYPE ? 2u : 3u) << line;
    EXPECT_EQ(std::stoul(match[2], nullptr, 16), 0u) << "category: " << line;
    EXPECT_NE(std::stoull(match[4], nullptr, 16), 0u) << "no user SID: " << line;
  }
  return strings;
}

std::vector<HWND> ProductProcess::VisibleWindows() const { return WindowsOf(id_, true); }

HWND ProductProcess::WaitForWindow(const std::wstring& caption, DWORD milliseconds) const {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  do {
    for (HWND window : VisibleWindows()) {
      if (WindowText(window) == caption && ClassName(window) != L"#32770") return window;
    }
    Sleep(kPollMilliseconds);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

HWND ProductProcess::WaitForMessageBox(const std::wstring& title, DWORD milliseconds) const {
  return WaitForBox(title, nullptr, milliseconds);
}

HWND ProductProcess::WaitForMessageBoxSaying(const std::wstring& title, const std::wstring& text,
                                             DWORD milliseconds) const {
  return WaitForBox(title, &text, milliseconds);
}

HWND ProductProcess::WaitForBox(const std::wstring& title, const std::wstring* text, DWORD milliseconds) const {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  do {
    for (HWND window : VisibleWindows()) {
      if (ClassName(window) == L"#32770" && WindowText(window) == title && (!text || MessageBoxText(window) == *text)) {
        return window;
      }
    }
    Sleep(kPollMilliseconds);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT rather than GetWindowText: it reads another process's controls too.
  const LRESULT length = Ask(window, WM_GETTEXTLENGTH, 0, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 0);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256];
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

std::vector<std::wstring> ButtonTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == L"Button" && IsWindowVisible(child)) texts.push_back(WindowText(child));
  }
  return texts;
}

RedirectedOutput::RedirectedOutput() {
  wchar_t folder[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, folder);
  static int made = 0;
  path_ = folder + (L"nettoyage-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made) + L".txt");
}

std::wstring RedirectedOutput::Text() const {
  std::ifstream file(std::filesystem::path(path_), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::wstring text(bytes.size(), L'\0');
  text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                           text.data(), static_cast<int>(text.size()))));
  return text;
}

void Press(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void PressMessageBoxButton(HWND box, int buttonId) {
  HWND button = GetDlgItem(box, buttonId);
  ASSERT_NE(button, nullptr) << "the message box has no button " << buttonId;
  Press(button);
  if (!WaitUntilGone(box, kBoxGoneMilliseconds)) {
    ADD_FAILURE() << "the message box " << testing::PrintToString(WindowText(box)) << " was still up "
                  << kBoxGoneMilliseconds / 1000 << " s after its button " << buttonId << " was pressed";
  }
}

bool WaitUntilGone(HWND window, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMilliseconds);
  }
  return true;
}

std::vector<std::wstring> ListBoxItems(HWND listBox) {
  std::vector<std::wstring> items;
  const LRESULT count = Ask(listBox, LB_GETCOUNT, 0, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = Ask(listBox, LB_GETTEXTLEN, i, 0, LB_ERR);
    if (length == LB_ERR) break;  // unanswered: the next would wait as long
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = Ask(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), LB_ERR);
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    items.push_back(text);
  }
  return items;
}

}  // namespace wine_test
