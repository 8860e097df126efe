#pragma once
// The standard output and error that a parent may hand the program. A program of the Windows
// GUI subsystem has them only when its parent gives them (a redirection to a file, a pipe);
// otherwise nothing is written. Text goes out in the OEM code page, which cmd and PowerShell
// read by default: a character that code page lacks is written as '?', never as a look-alike.
#include <windows.h>

#include <string>
#include <vector>

#include "app/StandardOutput.h"

namespace standard_streams {

// Writes text to the standard handle `which` (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE). False when
// the program has no such handle or the write failed.
bool Write(DWORD which, const std::wstring& text) noexcept;

}  // namespace standard_streams

class Win32StandardOutput final : public StandardOutput {
 public:
  void WriteLines(const std::vector<std::wstring>& lines) noexcept override;
};
