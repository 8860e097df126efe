#include "hardening/PeImage.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace wine_test {
namespace {

// A text in an image is never longer than this; a longer one means a corrupt table.
constexpr std::size_t kMaxTextLength = 4096;

}  // namespace

PeImage::PeImage(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) {
    error_ = "cannot open the file";
    return;
  }
  bytes_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (Parse()) {
    ReadImportNames();
    if (Valid()) ReadDelayImportNames();
  }
}

template <typename T>
bool PeImage::ReadAt(std::int64_t offset, T& value) const {
  if (offset < 0 || static_cast<std::uint64_t>(offset) + sizeof(T) > bytes_.size()) return false;
  std::memcpy(&value, bytes_.data() + offset, sizeof(T));
  return true;
}

bool PeImage::Parse() {
  IMAGE_DOS_HEADER dos{};
  if (!ReadAt(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) {
    error_ = "no MZ header";
    return false;
  }
  DWORD signature = 0;
  const std::int64_t ntOffset = dos.e_lfanew;
  if (!ReadAt(ntOffset, signature) || signature != IMAGE_NT_SIGNATURE) {
    error_ = "no PE signature";
    return false;
  }
  const std::int64_t fileHeaderOffset = ntOffset + sizeof(DWORD);
  if (!ReadAt(fileHeaderOffset, file_)) {
    error_ = "truncated file header";
    return false;
  }
  const std::int64_t optionalOffset = fileHeaderOffset + sizeof(IMAGE_FILE_HEADER);
  WORD magic = 0;
  if (!ReadAt(optionalOffset, magic) || magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
      file_.SizeOfOptionalHeader < sizeof(IMAGE_OPTIONAL_HEADER64) || !ReadAt(optionalOffset, optional_)) {
    error_ = "not a PE32+ (64-bit) optional header";
    return false;
  }
  const std::int64_t sectionOffset = optionalOffset + file_.SizeOfOptionalHeader;
  for (WORD i = 0; i < file_.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section{};
    if (!ReadAt(sectionOffset + i * static_cast<std::int64_t>(sizeof section), section)) {
      error_ = "truncated section table";
      return false;
    }
    sections_.push_back(section);
  }
  return true;
}

IMAGE_DATA_DIRECTORY PeImage::Directory(int index) const {
  if (index < 0 || static_cast<DWORD>(index) >= optional_.NumberOfRvaAndSizes ||
      index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES) {
    return {};
  }
  return optional_.DataDirectory[index];
}

std::int64_t PeImage::FileOffset(DWORD rva) const {
  for (const IMAGE_SECTION_HEADER& section : sections_) {
    const DWORD size = section.Misc.VirtualSize ? section.Misc.VirtualSize : section.SizeOfRawData;
    if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
      if (rva - section.VirtualAddress >= section.SizeOfRawData) return -1;  // not in the file
      return static_cast<std::int64_t>(section.PointerToRawData) + (rva - section.VirtualAddress);
    }
  }
  return -1;
}

std::string PeImage::TextAt(DWORD rva) {
  const std::int64_t offset = FileOffset(rva);
  if (offset < 0) {
    error_ = "a name lies outside the image";
    return {};
  }
  std::string text;
  for (std::size_t i = static_cast<std::size_t>(offset); i < bytes_.size(); ++i) {
    if (bytes_[i] == 0) return text;
    if (text.size() == kMaxTextLength) break;
    text.push_back(static_cast<char>(bytes_[i]));
  }
  error_ = "an unterminated name";
  return {};
}

void PeImage::ReadImportNames() {
  const IMAGE_DATA_DIRECTORY directory = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
  if (directory.VirtualAddress == 0) return;
  std::int64_t offset = FileOffset(directory.VirtualAddress);
  for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor{};
    if (!ReadAt(offset, descriptor)) {
      error_ = "truncated import table";
      return;
    }
    if (descriptor.Name == 0) return;  // the all-zero entry that ends the table
    imports_.push_back(TextAt(descriptor.Name));
    if (!Valid()) return;
  }
}

void PeImage::ReadDelayImportNames() {
  const IMAGE_DATA_DIRECTORY directory = Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT);
  if (directory.VirtualAddress == 0) return;
  std::int64_t offset = FileOffset(directory.VirtualAddress);
  for (;; offset += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
    IMAGE_DELAYLOAD_DESCRIPTOR descriptor{};
    if (!ReadAt(offset, descriptor)) {
      error_ = "truncated delay-load import table";
      return;
    }
    if (descriptor.DllNameRVA == 0) return;
    delayImports_.push_back(TextAt(descriptor.DllNameRVA));
    if (!Valid()) return;
  }
}

}  // namespace wine_test
