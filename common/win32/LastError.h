#pragma once
// A failed Win32 call as the program's error: what failed, in French, for the error report,
// and the thread's last error code.
#include <windows.h>

#include <string>

#include "common/AppError.h"

namespace win32 {

// Called right after the call that failed, before any other Win32 call.
[[noreturn]] inline void ThrowLastError(std::wstring whatFailed) {
  const DWORD error = ::GetLastError();
  throw AppError(std::move(whatFailed), error);
}

}  // namespace win32
