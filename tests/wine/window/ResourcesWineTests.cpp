// What the program's file declares to Windows: its manifest (per-monitor DPI awareness,
// common controls 6, no elevation, the Windows versions it knows), its version resource and
// the message table of its event log records.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/ProductProcess.h"

namespace wine_test {
namespace {

std::string ProductManifest() {
  HMODULE product = LoadLibraryExW(ProductPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!product) {
    ADD_FAILURE() << "cannot open the program's file, error " << GetLastError();
    return {};
  }
  std::string manifest;
  if (HRSRC found = FindResourceW(product, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {  // RT_MANIFEST
    if (HGLOBAL loaded = LoadResource(product, found)) {
      manifest.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(product, found));
    }
  }
  FreeLibrary(product);
  return manifest;
}

std::wstring VersionString(const std::vector<BYTE>& info, const std::wstring& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = L"\\StringFileInfo\\040C04B0\\" + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return {};
  return static_cast<const wchar_t*>(value);
}

TEST(ProgramFile, ItsManifestAsksForPerMonitorDpiAwarenessCommonControls6AndNoElevation) {
  const std::string manifest = ProductManifest();
  ASSERT_FALSE(manifest.empty()) << "the program has no manifest";
  const char* expected[] = {
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
  };
  for (const char* part : expected) {
    EXPECT_NE(manifest.find(part), std::string::npos) << "missing from the manifest: " << part;
  }
}

TEST(ProgramFile, ItsVersionResourceIsFrenchAndNamesTheProduct) {
  const std::wstring path = ProductPath();
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_NE(size, 0u) << "the program has no version resource";
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, sizeof(Translation));
  EXPECT_EQ(translation->language, 0x040C);  // French (France)
  EXPECT_EQ(translation->codePage, 1200);    // Unicode

  EXPECT_EQ(VersionString(info, L"ProductName"), L"Nettoyage des imprimantes");
  EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"NettoyageImprimantes.exe");

  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  const std::wstring fileVersion = VersionString(info, L"FileVersion");
  const std::wstring fromNumbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                   std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                   std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                                   std::to_wstring(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(fileVersion, fromNumbers) << "the text and the numbers of the file version agree";
  EXPECT_NE(fixed->dwFileVersionMS | fixed->dwFileVersionLS, 0u);
}

// What Event Viewer shows for each of the program's events once its source is registered:
// the message table's sentence for the event id, with the insertion strings in their places.
TEST(ProgramFile, ItsMessageTableGivesEachEventItsFrenchSentenceAroundItsInsertionStrings) {
  HMODULE product = LoadLibraryExW(ProductPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(product, nullptr) << "cannot open the program's file, error " << GetLastError();
  const auto shown = [product](DWORD event, std::vector<const wchar_t*> strings) {
    std::vector<DWORD_PTR> arguments;
    for (const wchar_t* string : strings) arguments.push_back(reinterpret_cast<DWORD_PTR>(string));
    wchar_t text[1024] = L"";  // stays empty when the table has no sentence for the event
    FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, product, event, 0, text, 1024,
                   reinterpret_cast<va_list*>(arguments.data()));
    return std::wstring(text);
  };
  const std::wstring keys = L"des clés HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices, "
                           L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts, "
                           L"HKEY_CURRENT_USER\\Printers\\DevModes2 et HKEY_CURRENT_USER\\Printers\\DevModePerUser de l'utilisateur";
  EXPECT_EQ(shown(1, {L"2", L"A\r\nB", L"1", L"C"}),
            L"Imprimantes obsolètes supprimées, avec leurs préférences d'impression, " + keys +
                L", car aucune imprimante installée ne porte leur nom : 2.\r\nA\r\nB\r\nImprimantes dont il ne restait que "
                L"des traces (aucune valeur dans Devices), supprimées des trois autres clés : 1.\r\nC");
  EXPECT_EQ(shown(2, {L"1", L"A", L"5", L"Accès refusé.", L"1", L"C"}),
            L"Imprimantes obsolètes que Windows a refusé de supprimer " + keys +
                L", où elles sont toujours : 1.\r\nA\r\nImprimantes dont il ne reste que des traces (aucune valeur "
                L"dans Devices), toujours dans les trois autres clés : 1.\r\nC\r\nErreur 5 : Accès refusé.\r\n"
                L"Vérifiez les autorisations de l'utilisateur sur ces clés.");
  EXPECT_EQ(shown(3, {L"Erreur d'exécution : X\r\nCode d'erreur : 0x00000005"}),
            L"Le nettoyage des imprimantes s'est arrêté sur une erreur, signalée à l'utilisateur par ce message :\r\n"
            L"Erreur d'exécution : X\r\nCode d'erreur : 0x00000005");

  // The same sentences under US English and neutral: FormatMessage asked for one language
  // finds that language's sentences only, and Event Viewer asks for the viewer's own.
  std::vector<LANGID> languages;
  EnumResourceLanguagesW(product, RT_MESSAGETABLE, MAKEINTRESOURCEW(1), [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<LANGID>*>(found)->push_back(language);
    return TRUE;
  }, reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, (std::vector<LANGID>{0x0000, 0x0409, 0x040C}));
  const auto sentence = [product](DWORD event, LANGID language) {
    wchar_t text[1024] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, product, event, language, text, 1024, nullptr);
    return std::wstring(text);
  };
  for (const DWORD event : {1, 2, 3}) EXPECT_EQ(sentence(event, 0x0409), sentence(event, 0)) << "event " << event;
  FreeLibrary(product);
}

}  // namespace
}  // namespace wine_test
