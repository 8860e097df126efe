#pragma once
// The ids of Form1's controls, shared by the window and the Windows-side tests that find
// the controls by id. None is 1 (IDOK) or 2 (IDCANCEL): the dialog manager turns Enter and
// Escape into commands with those ids, and they must press no button.

namespace control_ids {

inline constexpr int kLstWMI = 101;
inline constexpr int kLstRegedit = 102;
inline constexpr int kLabel1 = 103;
inline constexpr int kLabel2 = 104;
inline constexpr int kCmdSortir = 105;
inline constexpr int kCmdLancer = 106;
inline constexpr int kLstSuppr = 107;

}  // namespace control_ids
