#pragma once
// What the WMI test double and the tests that configure it agree on: where its configuration
// is, its class id, the codes its failures carry and the texts of its log.
//
// Configuration: a UTF-8 text file, one setting per line ("\n"), read at each bind:
//   failure None|Bind|ExecQuery|EnumerationAfter|NameRead|NameNotText|NameException|HangAtQuery
//                            (HangAtQuery: ExecQuery never returns, as behind a stuck driver)
//   index K                  the member index for EnumerationAfter and the Name failures
//   printer NAME             one per printer, in the order served; NAME is the rest of the line
//   refuseLoopback 0xCODE    refuse, with that code, only a display name whose machine is
//                            "127.0.0.1" (before the failure above applies)
//   answerAfter MS           ExecQuery answers only after MS milliseconds, as a slow print server
// The double appends what it sees, one UTF-8 line per event, to kLogFileName in the
// configuration's folder.
#include <cstdint>

namespace wmi_double {

inline constexpr wchar_t kConfigVariable[] = L"PRINTER_CLEANUP_WMI_DOUBLE";
inline constexpr wchar_t kLogFileName[] = L"wmi-double.log";
inline constexpr wchar_t kClsid[] = L"{6B1C4E2A-93D7-4F0B-A8E5-3C2D71F90A14}";
inline constexpr wchar_t kDllName[] = L"WmiDouble.dll";
// Exported: LONG WmiDoubleLiveObjects(void), the double's COM objects alive in this process.
inline constexpr char kLiveObjectsExport[] = "WmiDoubleLiveObjects";

// Where the prefix set-up keeps the winmgmts class id Wine came with (HKLM, REG_SZ values).
inline constexpr wchar_t kSavedClsidKey[] = L"Software\\PrinterCleanupTests\\WmiDouble";
inline constexpr wchar_t kWineClsidValue[] = L"WineWinmgmtsClsid";
inline constexpr wchar_t kWinmgmtsClsidKey[] = L"Software\\Classes\\winmgmts\\CLSID";

// ParseDisplayName answers this.
inline constexpr std::uint32_t kBindFailure = 0x80041015;         // WBEM_E_TRANSPORT_FAILURE
// ExecQuery answers DISP_E_EXCEPTION with this scode in its EXCEPINFO.
inline constexpr std::uint32_t kExecQueryFailure = 0x80041017;    // WBEM_E_INVALID_QUERY
// IEnumVARIANT::Next answers this once K members were served.
inline constexpr std::uint32_t kEnumerationFailure = 0x80041001;  // WBEM_E_FAILED
// Reading Name of member K answers this directly (no EXCEPINFO).
inline constexpr std::uint32_t kNameReadFailure = 0x80041002;     // WBEM_E_NOT_FOUND
// Reading Name of member K for NameNotText gives a VT_ARRAY | VT_I4, which converts to no text.
// Reading Name of member K for NameException answers DISP_E_EXCEPTION with this success code
// as its EXCEPINFO's scode, as a careless server might.
inline constexpr std::uint32_t kNameExceptionScode = 1;  // S_FALSE

}  // namespace wmi_double
