#pragma once
// Form1's layout in twips (1/1440 inch), the units of its design, converted to pixels at
// one place with the window's DPI.
#include <windows.h>

#include "app/win32/ControlIds.h"

namespace layout {

inline constexpr int kClientWidth = 9150;
inline constexpr int kClientHeight = 5205;

struct ControlLayout {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int left, top, width, height;  // twips, in the window's client area
};

// Plain list boxes: unsorted, single selection, one column, and of the height the design
// gives rather than a whole number of lines.
inline constexpr DWORD kListBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL |
                                       LBS_NOINTEGRALHEIGHT;
inline constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
inline constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;

// What a push button's edges and focus rectangle take of its width and height, in pixels at
// 96 DPI: its caption has the rest.
inline constexpr int kButtonEdges = 6;

// In the order of creation, which is the z-order. The dialog manager tabs in z-order and the
// labels take no focus, so Tab goes lstWMI, lstRegedit, cmdSortir, cmdLancer, lstSuppr.
// Screen readers name a list after the label that precedes it in z-order, searching back
// until a control that starts a group of tab stops: each label comes right before its list,
// and cmdSortir starts a group, so that lstSuppr is not taken for "Par REGEDIT".
inline constexpr ControlLayout kControls[] = {
    {control_ids::kLabel1, L"Static", L"Par WMI", kLabelStyle, 0, 120, 120, 4335, 255},
    {control_ids::kLstWMI, L"ListBox", L"", kListBoxStyle, WS_EX_CLIENTEDGE, 120, 360, 4335, 4155},
    {control_ids::kLabel2, L"Static", L"Par REGEDIT", kLabelStyle, 0, 4680, 120, 4335, 255},
    {control_ids::kLstRegedit, L"ListBox", L"", kListBoxStyle, WS_EX_CLIENTEDGE, 4680, 360, 4335, 4155},
    {control_ids::kCmdSortir, L"Button", L"Sortir", kButtonStyle | WS_GROUP, 0, 7680, 4680, 1335, 375},
    {control_ids::kCmdLancer, L"Button", L"Lancer nettoyage", kButtonStyle, 0, 6120, 4680, 1455, 375},
    {control_ids::kLstSuppr, L"ListBox", L"", kListBoxStyle, WS_EX_CLIENTEDGE, 120, 4560, 4335, 450},
};

inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

}  // namespace layout
