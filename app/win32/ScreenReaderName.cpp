#include "app/win32/ScreenReaderName.h"

#include <initguid.h>
#include <oleacc.h>

ScreenReaderName::ScreenReaderName() = default;
ScreenReaderName::~ScreenReaderName() { Clear(); }

void ScreenReaderName::Set(HWND control, const wchar_t* name) noexcept {
  Clear();
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                              reinterpret_cast<void**>(services_.ReleaseAndGetAddressOf())))) {
    return;
  }
  if (FAILED(services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                       name))) {
    services_.Reset();
    return;
  }
  control_ = control;
}

void ScreenReaderName::Clear() noexcept {
  if (services_ && control_) {
    MSAAPROPID properties[] = {PROPID_ACC_NAME};
    services_->ClearHwndProps(control_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, properties, 1);
  }
  services_.Reset();
  control_ = nullptr;
}
