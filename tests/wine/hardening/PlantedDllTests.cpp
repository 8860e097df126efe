// A DLL dropped beside the product under the name of a system DLL the product uses must
// never be loaded: the product takes the system's own. Wine prefers its built-in DLLs to
// files beside a program, so each run asks it to prefer a native file of that name, as
// Windows always does; the control case shows that the planted file is then really taken by
// a program that imports the DLL the ordinary way.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/win32/Raii.h"
#include "support/ProductProcess.h"

namespace wine_test {
namespace {

constexpr wchar_t kMarkersVariable[] = L"PRINTER_CLEANUP_PLANTED_DLL_MARKERS";
constexpr DWORD kStartMilliseconds = 30000;

void CloseKey(HKEY key) { RegCloseKey(key); }
using UniqueKey = win32::UniqueHandle<HKEY, CloseKey>;

// Makes Wine prefer a native DLL of this name to its built-in one in every process of this
// program name, for the object's lifetime. Wine reads the per-program overrides from the
// registry when a process starts; a WINEDLLOVERRIDES in a child's environment block is not
// used (the variable of the Wine session wins).
class PreferNativeDll {
 public:
  PreferNativeDll(const std::wstring& programName, const std::wstring& dllName)
      : programKey_(L"Software\\Wine\\AppDefaults\\" + programName) {
    HKEY opened = nullptr;
    createdProgramKey_ = RegOpenKeyExW(HKEY_CURRENT_USER, programKey_.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS;
    const UniqueKey existing(opened);
    HKEY created = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, (programKey_ + L"\\DllOverrides").c_str(), 0,
                                          nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr);
    const UniqueKey overrides(created);
    if (status != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot create the DLL override key, status " << status;
      return;
    }
    const std::wstring order = L"native,builtin";
    const LSTATUS set = RegSetValueExW(overrides.get(), dllName.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(order.c_str()),
                                       static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(set, ERROR_SUCCESS) << "cannot set the DLL override";
    dllName_ = dllName;
  }
  ~PreferNativeDll() {
    if (createdProgramKey_) {
      RegDeleteTreeW(HKEY_CURRENT_USER, programKey_.c_str());
    } else if (!dllName_.empty()) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, (programKey_ + L"\\DllOverrides").c_str(), dllName_.c_str());
    }
  }
  PreferNativeDll(const PreferNativeDll&) = delete;
  PreferNativeDll& operator=(const PreferNativeDll&) = delete;

 private:
  std::wstring programKey_;
  std::wstring dllName_;
  bool createdProgramKey_ = false;
};

// A fresh folder holding a copy of a program and the planted DLL beside it, plus a folder
// where the planted DLL leaves its marker.
class PlantedFolder {
 public:
  PlantedFolder(const std::wstring& program, const std::wstring& plantedName)
      : preferPlanted_(std::filesystem::path(program).filename().wstring(), plantedName) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::filesystem::path(temp) /
            (L"planted-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()));
    std::filesystem::create_directories(root_ / L"program");
    std::filesystem::create_directories(root_ / L"markers");
    programCopy_ = root_ / L"program" / std::filesystem::path(program).filename();
    std::filesystem::copy_file(program, programCopy_);
    std::filesystem::copy_file(std::filesystem::path(BinDirectory()) / L"PlantedDll.dll",
                               root_ / L"program" / plantedName);
  }
  ~PlantedFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  PlantedFolder(const PlantedFolder&) = delete;
  PlantedFolder& operator=(const PlantedFolder&) = delete;

  std::wstring ProgramPath() const { return programCopy_.wstring(); }
  std::wstring MarkerFolder() const { return (root_ / L"markers").wstring(); }
  // Whether any process loaded the planted DLL (the marker's case follows the loader's).
  bool PlantedDllWasLoaded() const {
    return !std::filesystem::is_empty(root_ / L"markers");
  }

  // The environment block: this process's, with the marker folder named.
  std::vector<wchar_t> Environment() const {
    std::vector<std::wstring> entries = {std::wstring(kMarkersVariable) + L"=" + MarkerFolder()};
    if (wchar_t* current = GetEnvironmentStringsW()) {
      for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) entries.push_back(entry);
      FreeEnvironmentStringsW(current);
    }
    std::vector<wchar_t> block;
    for (const std::wstring& entry : entries) block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back(L'\0');
    return block;
  }

 private:
  PreferNativeDll preferPlanted_;
  std::filesystem::path root_;
  std::filesystem::path programCopy_;
};

struct Started {
  win32::UniqueKernelHandle process;
  DWORD id = 0;
};

Started Start(const PlantedFolder& folder, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + folder.ProgramPath() + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> environment = folder.Environment();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  Started started;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start the copy, error " << GetLastError();
    return started;
  }
  CloseHandle(info.hThread);
  started.process.reset(info.hProcess);
  started.id = info.dwProcessId;
  return started;
}

struct MainWindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<MainWindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  // The error report bears the window's caption: a box (#32770) is not the window.
  if (owner == search->processId && IsWindowVisible(window) && ClassName(window) != L"#32770" &&
      WindowText(window) == kMainWindowCaption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The process's visible main window, or null when the process ends or the time runs out.
HWND WaitForMainWindow(const Started& started) {
  const ULONGLONG deadline = GetTickCount64() + kStartMilliseconds;
  while (GetTickCount64() < deadline) {
    MainWindowSearch search{started.id, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (WaitForSingleObject(started.process.get(), 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

DWORD ExitCode(const Started& started) {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(started.process.get(), &code);
  return code;
}

// The print spooler's DLL: the product asks it for the printers, and Windows does not
// protect its name as one of its known DLLs.
constexpr wchar_t kSpoolerDll[] = L"winspool.drv";

TEST(PlantedDll, IsTakenByAProgramThatImportsTheSpoolerTheOrdinaryWay) {
  const PlantedFolder folder(BinDirectory() + L"\\SpoolerClient.exe", kSpoolerDll);
  const Started client = Start(folder, L"");
  ASSERT_TRUE(client.process);
  ASSERT_EQ(WaitForSingleObject(client.process.get(), kStartMilliseconds), WAIT_OBJECT_0);
  EXPECT_TRUE(folder.PlantedDllWasLoaded());
  EXPECT_NE(ExitCode(client), 0u) << "the planted DLL refuses to load, so the program cannot start";
}

TEST(PlantedDll, BesideTheProductUnderTheSpoolersNameIsNeverLoaded) {
  const PlantedFolder folder(ProductPath(), kSpoolerDll);
  const Started product = Start(folder, L"");
  ASSERT_TRUE(product.process);
  const HWND window = WaitForMainWindow(product);
  const bool loaded = folder.PlantedDllWasLoaded();
  if (window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(product.process.get(), kStartMilliseconds) != WAIT_OBJECT_0) {
      TerminateProcess(product.process.get(), 1);
      WaitForSingleObject(product.process.get(), kStartMilliseconds);
    }
  } else {
    TerminateProcess(product.process.get(), 1);
    WaitForSingleObject(product.process.get(), kStartMilliseconds);
  }
  EXPECT_FALSE(loaded) << "the product loaded the winspool.drv beside it";
  EXPECT_TRUE(window) << "the product's window did not show; exit code 0x" << std::hex << ExitCode(product);
}

}  // namespace
}  // namespace wine_test
