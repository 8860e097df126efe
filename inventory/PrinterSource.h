#pragma once
// Where the installed printers' names come from: WMI on Windows (inventory/win32), a
// stand-in in the unit tests.
#include <cstdint>
#include <functional>
#include <string>

namespace inventory {

class PrinterSource {
 public:
  virtual ~PrinterSource() = default;
  // Calls onName with each installed printer's name, unchanged, in the order the source
  // delivers them. Throws AppError, naming the step and its code, when anything fails.
  virtual void ForEachPrinterName(const std::function<void(const std::wstring&)>& onName) = 0;
};

// Asks the print spooler whether it answers at all (local and connection printers can be
// enumerated). Tells a true empty inventory from one that could not be obtained.
class SpoolerProbe {
 public:
  virtual ~SpoolerProbe() = default;
  // 0 when the spooler answers (even with no printer); its Win32 error code otherwise.
  virtual std::uint32_t Query() = 0;
};

}  // namespace inventory
