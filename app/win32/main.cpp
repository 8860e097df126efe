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
#include "inventory/win32/InventoryDeadline.h"
#include "inventory/win32/Win32SpoolerProbe.h"
#include "inventory/win32/WmiPrinterSource.h"
#include "registry/win32/Win32Registry.h"

// The tests' build of the program gives its questions a few seconds, to see a deadline pass.
#ifndef INVENTORY_DEADLINE_SECONDS
#define INVENTORY_DEADLINE_SECONDS inventory::InventoryDeadline::kSeconds
#endif

namespace {

// A printer inventory question that passed its deadline: reported as this run reports errors.
// The window, if shown, belongs to the thread that is stuck: the box has no owner.
void ReportInventoryTimeout(const AppError& timeout) noexcept { error_report::Report(timeout, nullptr); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Before anything else is loaded: DLLs come from the system directory only, never from
  // the program's folder or the current directory.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  try {
    // The mode is worked out once, here: it decides where an error's report goes from now on.
    const StartMode mode = StartModeOf(ArgumentText(GetCommandLineW()));
    error_report::ReportAsIn(mode);
    const win32::ComApartment com;
    if (FAILED(com.Result())) {
      throw AppError(L"initialisation de COM", static_cast<std::uint32_t>(com.Result()));
    }
    MainWindow window(instance);
    inventory::InventoryDeadline deadline(ReportInventoryTimeout, exit_codes::kError, INVENTORY_DEADLINE_SECONDS);
    inventory::WmiPrinterSource printers(deadline);
    inventory::Win32SpoolerProbe spooler(deadline);
    registry::Win32Registry registry;
    Win32EventLog eventLog;
    Win32StandardOutput output;
    Form1 form(Form1Services{window, printers, spooler, deadline, registry, eventLog, output}, mode);
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
