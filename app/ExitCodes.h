#pragma once
// The program's exit codes, which logon scripts and deployment tools read.

namespace exit_codes {

inline constexpr int kDone = 0;            // the window was closed, or the cleanup removed every stale value
inline constexpr int kError = 1;           // an error report ended the program
inline constexpr int kNotAllDeleted = 2;   // Windows refused to delete some stale values; they are still there
inline constexpr int kStaleFound = 3;      // a preview found stale values: a silent run would delete them
// The Print Spooler service is disabled: the machine has no printing to compare with, and
// nothing was deleted.
inline constexpr int kPrintingTurnedOff = 4;

}  // namespace exit_codes
