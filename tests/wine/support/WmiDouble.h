#pragma once
// Configures the WMI test double (tests/wmi_double) that the test prefixes register as the
// winmgmts moniker's class, and reads back what it saw.
#include <cstdint>
#include <string>
#include <vector>

#include "support/ProductProcess.h"
#include "tests/wmi_double/WmiDoubleProtocol.h"

namespace wine_test {

enum class WmiFailure { None, Bind, ExecQuery, EnumerationAfter, NameRead, NameNotText, NameException, HangAtQuery };

struct WmiDoubleSetup {
  std::vector<std::wstring> printers;  // served in this order, names exactly as given
  WmiFailure failure = WmiFailure::None;
  int failIndex = 0;                   // for EnumerationAfter and the Name failures: the member index k
  std::uint32_t loopbackRefusal = 0;   // not 0: the moniker naming 127.0.0.1 is refused with this code
  unsigned answerAfterMilliseconds = 0;  // how long the query takes to answer
};

// The code the double's failure carries to the caller (0 for None). NameNotText's comes
// from the caller's own conversion: DISP_E_TYPEMISMATCH; NameException's exception carries no
// failure code, so the caller reports DISP_E_EXCEPTION itself.
std::uint32_t WmiFailureCode(WmiFailure failure);

// Writes the configuration to a fresh temporary folder; the log is written beside it.
class WmiDouble {
 public:
  explicit WmiDouble(const WmiDoubleSetup& setup);
  // Removes its files, and the variable from this process if ApplyToThisProcess set it.
  ~WmiDouble();
  WmiDouble(const WmiDouble&) = delete;
  WmiDouble& operator=(const WmiDouble&) = delete;

  // What to pass to ProductProcess.
  ProductProcess::Environment Environment() const;
  // For tests that bind the double in their own process.
  void ApplyToThisProcess();
  const std::wstring& ConfigPath() const { return configPath_; }
  // What the double saw, one entry per event, in order; empty before the first event.
  std::vector<std::wstring> Log() const;

 private:
  std::wstring folder_;
  std::wstring configPath_;
  std::wstring logPath_;
  bool appliedHere_ = false;
};

// Points the winmgmts ProgID at Wine's own WMI for the object's lifetime, and back at the
// double after.
class WineOwnWmi {
 public:
  WineOwnWmi();
  ~WineOwnWmi();
  WineOwnWmi(const WineOwnWmi&) = delete;
  WineOwnWmi& operator=(const WineOwnWmi&) = delete;
};

}  // namespace wine_test
