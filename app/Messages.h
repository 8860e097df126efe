#pragma once
// The program's French texts and the message-box flags it shows them with.

namespace messages {

inline constexpr wchar_t kTitle[] = L"Message QUORVANE";
inline constexpr wchar_t kNothingStale[] =
    L"Il n'y a pas de mauvaise clés dans la base de registre ...";
inline constexpr wchar_t kConfirmationHeader[] = L"Liste des imprimantes à supprimer : ";
inline constexpr wchar_t kConfirmationQuestion[] = L"Voulez-vous supprimer ces lignes maintenant ?";
inline constexpr wchar_t kCleanupDone[] = L"Nettoyage terminé !";

// Windows message-box flags and answers.
inline constexpr int kStyleInformationOk = 64;     // MB_ICONINFORMATION | MB_OK
inline constexpr int kStyleExclamationYesNo = 52;  // MB_ICONEXCLAMATION | MB_YESNO
inline constexpr int kAnswerYes = 6;               // IDYES

}  // namespace messages
