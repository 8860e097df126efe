// What the product's image file tells the Windows loader: a 64-bit GUI program that can be
// mapped at a random address, whose data is never executable, that needs only Windows'
// own DLLs and asks to run with the rights of whoever starts it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hardening/PeImage.h"
#include "support/ProductProcess.h"

namespace wine_test {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// DLLs that every Windows installation has in its system directory. The C runtime may be
// the old msvcrt or the Universal CRT through its api-ms-win-crt-* sets.
bool IsSystemLibrary(const std::string& name) {
  static const std::vector<std::string> systemLibraries = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "ole32.dll",
      "oleaut32.dll", "comctl32.dll", "winspool.drv", "shell32.dll",  "shlwapi.dll",
      "comdlg32.dll", "uxtheme.dll",  "msvcrt.dll",   "ucrtbase.dll"};
  const std::string lower = Lower(name);
  return std::find(systemLibraries.begin(), systemLibraries.end(), lower) != systemLibraries.end() ||
         lower.starts_with("api-ms-win-crt-");
}

TEST(ProductImage, IsA64BitWindowsGuiProgram) {
  const PeImage image(ProductPath());
  ASSERT_TRUE(image.Valid()) << image.Error();
  EXPECT_EQ(image.Machine(), IMAGE_FILE_MACHINE_AMD64);
  EXPECT_EQ(image.Subsystem(), IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_EQ(image.FileCharacteristics() & IMAGE_FILE_DLL, 0);
}

TEST(ProductImage, IsLoadedAtARandomAddressChosenFromTheWhole64BitSpace) {
  const PeImage image(ProductPath());
  ASSERT_TRUE(image.Valid()) << image.Error();
  EXPECT_NE(image.DllCharacteristics() & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, 0);
  EXPECT_NE(image.DllCharacteristics() & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA, 0);
  // A movable image the loader cannot fix up is mapped at its preferred base after all.
  EXPECT_EQ(image.FileCharacteristics() & IMAGE_FILE_RELOCS_STRIPPED, 0);
  EXPECT_GT(image.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size, 0u);
}

TEST(ProductImage, NeverExecutesItsData) {
  const PeImage image(ProductPath());
  ASSERT_TRUE(image.Valid()) << image.Error();
  EXPECT_NE(image.DllCharacteristics() & IMAGE_DLLCHARACTERISTICS_NX_COMPAT, 0);
}

TEST(ProductImage, ImportsOnlyWindowsSystemLibraries) {
  const PeImage image(ProductPath());
  ASSERT_TRUE(image.Valid()) << image.Error();
  ASSERT_FALSE(image.Imports().empty());
  for (const std::string& name : image.Imports()) {
    EXPECT_TRUE(IsSystemLibrary(name)) << name << " is imported but is not a Windows system DLL";
  }
  for (const std::string& name : image.DelayImports()) {
    EXPECT_TRUE(IsSystemLibrary(name)) << name << " is delay-loaded but is not a Windows system DLL";
  }
}

// The requested execution level, as written in the manifest resource (id 1) of the image.
std::string RequestedExecutionLevel(const std::wstring& path) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) {
    ADD_FAILURE() << "cannot map the image as data, error " << GetLastError();
    return {};
  }
  std::string manifest;
  if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
    const DWORD size = SizeofResource(module, resource);
    if (HGLOBAL loaded = LoadResource(module, resource)) {
      if (const void* data = LockResource(loaded)) manifest.assign(static_cast<const char*>(data), size);
    }
  }
  FreeLibrary(module);
  if (manifest.empty()) {
    ADD_FAILURE() << "no application manifest (RT_MANIFEST 1)";
    return {};
  }
  const std::size_t element = manifest.find("<requestedExecutionLevel");
  if (element == std::string::npos) return "(no requestedExecutionLevel)";
  const std::size_t end = manifest.find('>', element);
  const std::string tag = manifest.substr(element, end == std::string::npos ? std::string::npos : end - element);
  const std::size_t attribute = tag.find(" level=\"");
  if (attribute == std::string::npos) return "(no level attribute)";
  const std::size_t valueStart = attribute + 8;
  return tag.substr(valueStart, tag.find('"', valueStart) - valueStart);
}

TEST(ProductImage, AsksToRunWithTheRightsOfWhoeverStartsIt) {
  EXPECT_EQ(RequestedExecutionLevel(ProductPath()), "asInvoker");
}

// Every program and DLL of the build: the product, the WMI test double, the test programs.
TEST(BuiltImages, AreAllRelocatableWithHighEntropyAndNonExecutableData) {
  std::vector<std::filesystem::path> images;
  for (const auto& entry : std::filesystem::directory_iterator(BinDirectory())) {
    const std::string extension = Lower(entry.path().extension().string());
    if (extension == ".exe" || extension == ".dll") images.push_back(entry.path());
  }
  ASSERT_GE(images.size(), 3u) << "expected at least the product, the WMI test double and this test";
  constexpr WORD kRequired = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE |
                             IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA | IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
  for (const std::filesystem::path& path : images) {
    SCOPED_TRACE(path.filename().string());
    const PeImage image(path.wstring());
    ASSERT_TRUE(image.Valid()) << image.Error();
    EXPECT_EQ(image.DllCharacteristics() & kRequired, kRequired);
    EXPECT_GT(image.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size, 0u);
  }
}

TEST(PeImageReader, RejectsAFileThatIsNotAnImage) {
  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  const std::filesystem::path path = std::filesystem::path(folder) / L"hardening-not-an-image.exe";
  {
    std::ofstream file(path, std::ios::binary);
    file << "MZ but nothing after";
  }
  const PeImage image(path.wstring());
  std::filesystem::remove(path);
  EXPECT_FALSE(image.Valid());
}

}  // namespace
}  // namespace wine_test
