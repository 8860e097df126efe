// The program's entry point: the one window, Form1's start-up, the event loop.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/ExitCodes.h"
#include "app/Form1.h"
#include "app/win32/ErrorReport.h"
#include "app/win32/MainWindow.h"
#include "app/win32/StandardStreams.h"
#include "app/win32/Win32EventLog.h"
#include "common/AppError.h"
#include "common/win32/Raii.h"
#include "inventory/win32/Win32SpoolerProbe.h"
#include "inventory/win32/WmiPrinterSource.h"
#include "registry/win32/Win32Registry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Before anything else is loaded: DLLs come from the system directory only, never from
  // the program's folder or the current directory.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  try {
    const std::wstring argumentText = ArgumentText(GetCommandLineW());
    if (StartModeOf(argumentText) == StartMode::Preview) error_report::ReportToStandardErrorOnly();
    const win32::ComApartment com;
    if (FAILED(com.Result())) {
      throw AppError(L"initialisation de COM", static_cast<std::uint32_t>(com.Result()));
    }
    MainWindow window(instance);
    inventory::WmiPrinterSource printers;
    inventory::Win32SpoolerProbe spooler;
    registry::Win32Registry registry;
    Win32EventLog eventLog;
    Win32StandardOutput output;
    Form1 form(Form1Services{window, printers, spooler, registry, eventLog, output}, argumentText);
    window.Attach(form);
    form.Form_Load();
    return window.Run(showCommand);
  } catch (...) {
    // An error outside the window's events: start-up (WMI, a list, the window) or the
    // event loop itself. The window is gone by now; the report is the only thing shown.
    error_report::ReportCurrentException(nullptr);
    return exit_codes::kError;
  }
}
