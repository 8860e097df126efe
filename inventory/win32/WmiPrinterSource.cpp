#include "inventory/win32/WmiPrinterSource.h"

#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>

#include "common/AppError.h"
#include "common/win32/Raii.h"

using Microsoft::WRL::ComPtr;

namespace inventory {
namespace {

constexpr wchar_t kMonikerPrefix[] = L"winmgmts:{impersonationLevel=impersonate}!\\\\";
constexpr wchar_t kNamespaceSuffix[] = L"\\root\\cimv2";
// Windows' own name for the local machine, bound only when the loopback address is refused
// for lack of rights: where WMI takes an address for a remote connection, it asks for rights
// (the namespace's Remote Enable, DCOM remote activation) that standard users do not have.
constexpr wchar_t kLocalMachineName[] = L".";
constexpr HRESULT kWbemAccessDenied = static_cast<HRESULT>(0x80041003);  // WBEM_E_ACCESS_DENIED
constexpr wchar_t kQuery[] = L"Select * from Win32_Printer";

constexpr wchar_t kBindStep[] = L"liaison au service WMI";
constexpr wchar_t kExecQueryStep[] = L"appel de ExecQuery";
constexpr wchar_t kEnumerationStep[] = L"énumération des imprimantes";
constexpr wchar_t kNameReadStep[] = L"lecture de la propriété Name";
constexpr wchar_t kNameTextStep[] = L"conversion de la propriété Name en texte";

// Late-bound callers read properties with both flags: Wine's scripting objects refuse a
// property read made with DISPATCH_PROPERTYGET alone.
constexpr WORD kPropertyGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

void Check(HRESULT hr, const wchar_t* step) {
  if (FAILED(hr)) throw AppError(step, static_cast<std::uint32_t>(hr));
}

// The code behind DISP_E_EXCEPTION is in the EXCEPINFO, whose texts are the caller's to free.
// An exception is always a failure, whatever code the server wrote: a success code here would
// let an unread Name pass for the empty name, and that printer's device would look stale.
HRESULT ExceptionCode(EXCEPINFO& exception) {
  if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
  win32::Bstr source, description, helpFile;
  *source.put() = exception.bstrSource;
  *description.put() = exception.bstrDescription;
  *helpFile.put() = exception.bstrHelpFile;
  if (FAILED(exception.scode)) return exception.scode;
  if (exception.wCode != 0) return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, exception.wCode);
  return DISP_E_EXCEPTION;
}

void Invoke(IDispatch& object, DISPID member, WORD flags, DISPPARAMS& arguments, win32::Variant& result,
            const wchar_t* step) {
  EXCEPINFO exception{};
  UINT badArgument = 0;
  HRESULT hr = object.Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &arguments, result.put(),
                             &exception, &badArgument);
  if (hr == DISP_E_EXCEPTION) hr = ExceptionCode(exception);
  Check(hr, step);
}

void InvokeByName(IDispatch& object, const wchar_t* name, WORD flags, DISPPARAMS& arguments,
                  win32::Variant& result, const wchar_t* step) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID member = DISPID_UNKNOWN;
  Check(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member), step);
  Invoke(object, member, flags, arguments, result, step);
}

// The object held by a VT_DISPATCH or VT_UNKNOWN result, as the interface asked for.
template <typename Interface>
ComPtr<Interface> ObjectOf(const win32::Variant& value, const wchar_t* step) {
  const VARIANT& v = *value.get();
  IUnknown* held = nullptr;
  if (V_VT(&v) == VT_DISPATCH) held = V_DISPATCH(&v);
  if (V_VT(&v) == VT_UNKNOWN) held = V_UNKNOWN(&v);
  if (held == nullptr) throw AppError(step, static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH));
  ComPtr<Interface> object;
  Check(held->QueryInterface(IID_PPV_ARGS(&object)), step);
  return object;
}

std::wstring Moniker(const std::wstring& machineName) { return kMonikerPrefix + machineName + kNamespaceSuffix; }

ComPtr<IDispatch> BindService(const std::wstring& machineName) {
  ComPtr<IDispatch> service;
  const HRESULT hr = CoGetObject(Moniker(machineName).c_str(), nullptr, IID_PPV_ARGS(&service));
  if (hr != E_ACCESSDENIED && hr != kWbemAccessDenied) {
    Check(hr, kBindStep);
    return service;
  }
  // When the local form fails too, the report names the first refusal in its text and carries
  // the second bind's code: that failure is the one that ended the inventory.
  const std::wstring bothBinds = kBindStep + (L" (accès refusé pour " + machineName + L", code " +
                                              AppError::CodeText(static_cast<std::uint32_t>(hr)) +
                                              L" ; second essai pour « " + kLocalMachineName + L" »)");
  Check(CoGetObject(Moniker(kLocalMachineName).c_str(), nullptr, IID_PPV_ARGS(&service)), bothBinds.c_str());
  return service;
}

ComPtr<IDispatch> ExecQuery(IDispatch& service) {
  win32::Variant query;
  V_VT(query.get()) = VT_BSTR;
  V_BSTR(query.get()) = SysAllocString(kQuery);
  if (V_BSTR(query.get()) == nullptr) throw AppError(kExecQueryStep, static_cast<std::uint32_t>(E_OUTOFMEMORY));
  DISPPARAMS arguments{query.get(), nullptr, 1, 0};
  win32::Variant resultSet;
  InvokeByName(service, L"ExecQuery", DISPATCH_METHOD, arguments, resultSet, kExecQueryStep);
  return ObjectOf<IDispatch>(resultSet, kExecQueryStep);
}

ComPtr<IEnumVARIANT> Enumerate(IDispatch& resultSet) {
  DISPPARAMS noArguments{};
  win32::Variant enumerator;
  Invoke(resultSet, DISPID_NEWENUM, kPropertyGet, noArguments, enumerator, kEnumerationStep);
  return ObjectOf<IEnumVARIANT>(enumerator, kEnumerationStep);
}

std::wstring ReadName(IDispatch& printer) {
  DISPPARAMS noArguments{};
  win32::Variant name;
  InvokeByName(printer, L"Name", kPropertyGet, noArguments, name, kNameReadStep);
  win32::Variant text;
  Check(VariantChangeType(text.get(), name.get(), 0, VT_BSTR), kNameTextStep);
  const BSTR value = V_BSTR(text.get());
  return value ? std::wstring(value, SysStringLen(value)) : std::wstring();
}

}  // namespace

void WmiPrinterSource::ForEachPrinterName(const std::function<void(const std::wstring&)>& onName) {
  const InventoryDeadline::Question question(deadline_, L"WMI");
  const std::wstring machineName = L"127.0.0.1";

  const ComPtr<IDispatch> service = BindService(machineName);
  const ComPtr<IDispatch> resultSet = ExecQuery(*service.Get());
  const ComPtr<IEnumVARIANT> members = Enumerate(*resultSet.Get());
  for (;;) {
    win32::Variant member;
    ULONG fetched = 0;
    const HRESULT hr = members->Next(1, member.put(), &fetched);
    Check(hr, kEnumerationStep);
    if (hr != S_OK || fetched == 0) break;
    const ComPtr<IDispatch> printer = ObjectOf<IDispatch>(member, kEnumerationStep);
    onName(ReadName(*printer.Get()));
  }
}

}  // namespace inventory
