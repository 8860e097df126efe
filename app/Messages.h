#pragma once
// The program's French texts and the message-box flags it shows them with.

namespace messages {

inline constexpr wchar_t kTitle[] = L"Message QUORVANE";
inline constexpr wchar_t kNothingStale[] =
    L"Il n'y a pas de mauvaise clés dans la base de registre ...";
inline constexpr wchar_t kConfirmationHeader[] = L"Liste des imprimantes à supprimer : ";
// Heads the printers of which only traces are left (port, printing preferences): their Devices
// value is gone already. In the confirmation, the last message and the small list alike.
inline constexpr wchar_t kOrphansHeading[] = L"Imprimantes dont il ne reste que des traces : ";
inline constexpr wchar_t kConfirmationQuestion[] = L"Voulez-vous supprimer ces lignes maintenant ?";
inline constexpr wchar_t kCleanupDone[] = L"Nettoyage terminé !";
inline constexpr wchar_t kCleanupDoneExceptHeader[] =
    L"Nettoyage terminé, sauf pour ces imprimantes, qui n'ont pas pu être supprimées :";
// "Erreur 5 : Accès refusé." ends that message: the first refusal's code and the system's text.
inline constexpr wchar_t kRefusalCode[] = L"Erreur ";
inline constexpr wchar_t kRefusalTextSeparator[] = L" : ";
// The line that stands for the names a list too long for its room leaves out: "… et 3 autres".
inline constexpr wchar_t kMoreNames[] = L"… et ";
inline constexpr wchar_t kOtherName[] = L" autre";
inline constexpr wchar_t kOtherNames[] = L" autres";
// Ends that line in the confirmation, whose names are all in the window's small list.
inline constexpr wchar_t kFullListInWindow[] = L" (liste complète dans la fenêtre)";
// Marks, in what "/q" writes, a name whose values could not all be deleted.
inline constexpr wchar_t kNotDeletedMark[] = L"non supprimée : ";
inline constexpr wchar_t kPrintingTurnedOff[] =
    L"Le service Spouleur d'impression est désactivé sur cet ordinateur : les imprimantes "
    L"installées ne peuvent pas être connues. Rien n'a été supprimé.";

// Windows message-box flags and answers.
inline constexpr int kStyleInformationOk = 64;     // MB_ICONINFORMATION | MB_OK
inline constexpr int kStyleExclamationYesNo = 52;  // MB_ICONEXCLAMATION | MB_YESNO
inline constexpr int kStyleExclamationOk = 48;     // MB_ICONEXCLAMATION | MB_OK
inline constexpr int kAnswerYes = 6;               // IDYES

}  // namespace messages
