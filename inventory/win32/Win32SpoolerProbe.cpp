#include "inventory/win32/Win32SpoolerProbe.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace inventory {

std::uint32_t Win32SpoolerProbe::Query() {
  constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  constexpr DWORD kLevel = 4;  // names and attributes only: the cheapest level that lists connections
  DWORD needed = 0;
  DWORD returned = 0;
  std::vector<BYTE> buffer;
  // A printer added between the size query and the listing asks for a bigger buffer again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (EnumPrintersW(kFlags, nullptr, kLevel, buffer.empty() ? nullptr : buffer.data(),
                      static_cast<DWORD>(buffer.size()), &needed, &returned)) {
      return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) return error != 0 ? error : ERROR_GEN_FAILURE;
    buffer.resize(needed);
  }
  return ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace inventory
