#pragma once
// The program's message texts as a user reads them, written out here rather than taken
// from the program's own constants so that a changed text fails the tests.
#include <string>
#include <vector>

namespace wine_test {

inline constexpr wchar_t kNothingStale[] = L"Il n'y a pas de mauvaise clés dans la base de registre ...";

// The confirmation before the deletion: one "\t-" line for each of the first `shown` stale
// names, in list order, then, when names are left out, one line that counts them.
inline std::wstring Confirmation(const std::vector<std::wstring>& staleNames, std::size_t shown) {
  std::wstring lines;
  for (std::size_t i = 0; i < shown; ++i) lines += (lines.empty() ? L"\t-" : L"\r\n\t-") + staleNames[i];
  if (const std::size_t leftOut = staleNames.size() - shown; leftOut > 0) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t… et " + std::to_wstring(leftOut) + (leftOut == 1 ? L" autre" : L" autres") +
             L" (liste complète dans la fenêtre)";
  }
  return L"Liste des imprimantes à supprimer : \r\n" + lines + L"\r\nVoulez-vous supprimer ces lignes maintenant ?";
}

// With the printers of which only traces are left, under their heading, which takes the
// header's place when only they are listed.
inline std::wstring Confirmation(const std::vector<std::wstring>& staleNames,
                                 const std::vector<std::wstring>& orphans = {}) {
  std::wstring text = Confirmation(staleNames, staleNames.size());
  if (orphans.empty()) return text;
  std::wstring lines = L"Imprimantes dont il ne reste que des traces : ";
  for (const std::wstring& orphan : orphans) lines += L"\r\n\t-" + orphan;
  const std::size_t question = text.rfind(L"\r\n");
  return staleNames.empty() ? lines + text.substr(question) : text.insert(question, L"\r\n" + lines);
}

// How many names a confirmation of these stale names shows, read from its lines: all of them,
// or, when the whole list would not fit on the screen, the lines less the header, the count
// of the others and the question. Names with line breaks are not supported.
inline std::size_t NamesShown(const std::wstring& text, const std::vector<std::wstring>& staleNames) {
  if (text == Confirmation(staleNames)) return staleNames.size();
  std::size_t breaks = 0;
  for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++breaks;
  return breaks >= 2 ? breaks - 2 : 0;
}

}  // namespace wine_test
