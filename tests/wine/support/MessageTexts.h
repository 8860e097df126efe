#pragma once
// The program's message texts as a user reads them, written out here rather than taken
// from the program's own constants so that a changed text fails the tests.
#include <string>
#include <vector>

namespace wine_test {

inline constexpr wchar_t kNothingStale[] = L"Il n'y a pas de mauvaise clés dans la base de registre ...";

// The confirmation before the deletion: one "\t-" line per stale name, in list order.
inline std::wstring Confirmation(const std::vector<std::wstring>& staleNames) {
  std::wstring lines;
  for (const std::wstring& name : staleNames) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t-" + name;
  }
  return L"Liste des imprimantes à supprimer : \r\n" + lines + L"\r\nVoulez-vous supprimer ces lignes maintenant ?";
}

}  // namespace wine_test
