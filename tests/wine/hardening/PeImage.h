#pragma once
// Reads what the loader reads from a 64-bit Windows image file: its headers, data
// directories and the names of the DLLs it imports, with every offset checked against the
// file's size.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wine_test {

class PeImage {
 public:
  // Reads the file. Valid() is false, with the reason in Error(), for a file that is missing
  // or is not a well-formed PE32+ image.
  explicit PeImage(const std::wstring& path);

  bool Valid() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  WORD Machine() const { return file_.Machine; }
  WORD FileCharacteristics() const { return file_.Characteristics; }
  WORD DllCharacteristics() const { return optional_.DllCharacteristics; }
  WORD Subsystem() const { return optional_.Subsystem; }
  IMAGE_DATA_DIRECTORY Directory(int index) const;

  // The DLL names of the import table and of the delay-load import table, as written.
  const std::vector<std::string>& Imports() const { return imports_; }
  const std::vector<std::string>& DelayImports() const { return delayImports_; }

 private:
  bool Parse();
  // The file offset of an address inside the image, or -1 when no section holds it.
  std::int64_t FileOffset(DWORD rva) const;
  // The zero-terminated text at an address inside the image; sets error_ when out of bounds.
  std::string TextAt(DWORD rva);
  template <typename T>
  bool ReadAt(std::int64_t offset, T& value) const;
  void ReadImportNames();
  void ReadDelayImportNames();

  std::vector<std::uint8_t> bytes_;
  std::string error_;
  IMAGE_FILE_HEADER file_{};
  IMAGE_OPTIONAL_HEADER64 optional_{};
  std::vector<IMAGE_SECTION_HEADER> sections_;
  std::vector<std::string> imports_;
  std::vector<std::string> delayImports_;
};

}  // namespace wine_test
