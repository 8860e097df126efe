#include "common/AppError.h"

#include <cwchar>

std::wstring AppError::ReportText() const {
  return L"Erreur d'exécution : " + whatFailed_ + L"\r\nCode d'erreur : " + CodeText(code_);
}

std::wstring AppError::CodeText(std::uint32_t code) {
  wchar_t text[16];
  std::swprintf(text, sizeof text / sizeof text[0], L"0x%08X", static_cast<unsigned>(code));
  return text;
}
