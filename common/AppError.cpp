#include "common/AppError.h"

#include <cwchar>

std::wstring AppError::ReportText() const {
  wchar_t code[16];
  std::swprintf(code, sizeof code / sizeof code[0], L"0x%08X", static_cast<unsigned>(code_));
  return L"Erreur d'exécution : " + whatFailed_ + L"\r\nCode d'erreur : " + code;
}
