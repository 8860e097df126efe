// A program that imports the print spooler's DLL statically, as any program that links
// winspool does: the loader resolves it before the program's first line runs, searching the
// program's own folder first. The planted-DLL tests use it to show that a planted DLL is
// taken in that case.
#include <windows.h>
#include <winspool.h>

int wmain() {
  DWORD needed = 0;
  DWORD returned = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned);
  return 0;
}
