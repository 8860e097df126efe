#pragma once
// Where a preview ("/l") writes the names a silent run would delete: the standard output that
// the parent handed the program (a file or a pipe), a recording stand-in in the unit tests.
#include <string>
#include <vector>

class StandardOutput {
 public:
  virtual ~StandardOutput() = default;

  // Writes each line followed by CR LF. Writes nothing when the program was given no standard
  // output; a listing that cannot be written changes nothing of the exit code.
  virtual void WriteLines(const std::vector<std::wstring>& lines) noexcept = 0;
};
