#pragma once
// Where the installed printers' names come from: WMI on Windows (inventory/win32), a
// stand-in in the unit tests. The print spooler is the second witness: a device it lists is
// never stale, whatever WMI said.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace inventory {

class PrinterSource {
 public:
  virtual ~PrinterSource() = default;
  // Calls onName with each installed printer's name, unchanged, in the order the source
  // delivers them. Throws AppError, naming the step and its code, when anything fails.
  virtual void ForEachPrinterName(const std::function<void(const std::wstring&)>& onName) = 0;
};

// What the print spooler said when asked for its local and connection printers.
struct SpoolerAnswer {
  std::uint32_t error = 0;             // 0 when the spooler answered, even with no printer
  std::vector<std::wstring> printers;  // its printers' names, as it lists them
};

class SpoolerProbe {
 public:
  virtual ~SpoolerProbe() = default;
  // Asks the spooler now; every call is a fresh look.
  virtual SpoolerAnswer Query() = 0;
  // The name as the spooler compares printer names: two names that differ only in letter
  // case give the same key.
  virtual std::wstring ComparisonKey(const std::wstring& printerName) = 0;
  // Whether the Print Spooler service is set to Disabled on this machine. False when that
  // cannot be read, or when the service is merely stopped: only a service disabled on purpose
  // makes a failed inventory the mark of a machine without printing.
  virtual bool ServiceDisabled() = 0;
};

// The time the inventory's questions have: the questions asked with nobody in between share one
// deadline (all of a silent run's, or of a press of "Lancer nettoyage"), and a new one starts only
// once a person has answered.
//
// Twice the longest answer reported of a working inventory (about 150 s, for connections whose
// print server is gone), and half of the 600 s Group Policy gives all logon scripts together.
inline constexpr unsigned kQuestionBudgetSeconds = 300;

class QuestionBudget {
 public:
  virtual ~QuestionBudget() = default;
  // The questions from now on share a whole new budget.
  virtual void StartAnew() = 0;
};

}  // namespace inventory
