// A DLL that leaves a trace when a process loads it: planted beside a program under a
// system DLL's name, it shows whether the loader took it instead of the system's own.
// On load it creates "<its file name>.loaded" in the folder named by
// PRINTER_CLEANUP_PLANTED_DLL_MARKERS, then refuses to stay loaded.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t folder[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"PRINTER_CLEANUP_PLANTED_DLL_MARKERS", folder, MAX_PATH);
  wchar_t file[MAX_PATH];
  const DWORD fileLength = GetModuleFileNameW(self, file, MAX_PATH);
  if (length > 0 && length < MAX_PATH && fileLength > 0 && fileLength < MAX_PATH) {
    const std::wstring path(file, fileLength);
    const std::wstring marker =
        std::wstring(folder, length) + L"\\" + path.substr(path.find_last_of(L"\\/") + 1) + L".loaded";
    HANDLE created = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created != INVALID_HANDLE_VALUE) CloseHandle(created);
  }
  // It has none of the functions its host expects: the load fails rather than crashing later.
  return FALSE;
}
