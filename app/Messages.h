#pragma once
// The program's French texts and the message-box flags it shows them with.

namespace messages {

inline constexpr wchar_t kTitle[] = L"Message QUORVANE";
inline constexpr wchar_t kNothingStale[] =
    L"Il n'y a pas de mauvaise clés dans la base de registre ...";
inline constexpr wchar_t kConfirmationHeader[] = L"Liste des imprimantes à supprimer : ";
inline constexpr wchar_t kConfirmationQuestion[] = L"Voulez-vous supprimer ces lignes maintenant ?";
inline constexpr wchar_t kCleanupDone[] = L"Nettoyage terminé !";
// The line that stands for the stale names a confirmation too tall for the screen leaves out.
inline constexpr wchar_t kMoreNamesBefore[] = L"\t… et ";
inline constexpr wchar_t kMoreNamesAfterOne[] = L" autre (liste complète dans la fenêtre)";
inline constexpr wchar_t kMoreNamesAfterMany[] = L" autres (liste complète dans la fenêtre)";

// Windows message-box flags and answers.
inline constexpr int kStyleInformationOk = 64;     // MB_ICONINFORMATION | MB_OK
inline constexpr int kStyleExclamationYesNo = 52;  // MB_ICONEXCLAMATION | MB_YESNO
inline constexpr int kAnswerYes = 6;               // IDYES

}  // namespace messages
