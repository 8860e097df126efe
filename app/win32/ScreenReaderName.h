#pragma once
// A name that screen readers give a control without any text shown in the window: a dynamic
// annotation of the control's accessible name (oleacc's property services, reached through
// COM). Best effort: where the service is missing, the control keeps the name screen readers
// find for it on their own.
#include <windows.h>
#include <wrl/client.h>

struct IAccPropServices;

class ScreenReaderName {
 public:
  ScreenReaderName();
  ~ScreenReaderName();
  ScreenReaderName(const ScreenReaderName&) = delete;
  ScreenReaderName& operator=(const ScreenReaderName&) = delete;

  // Names the control; COM must be initialised on the thread.
  void Set(HWND control, const wchar_t* name) noexcept;
  // Takes the name back; call it before the control is destroyed.
  void Clear() noexcept;

 private:
  Microsoft::WRL::ComPtr<IAccPropServices> services_;
  HWND control_ = nullptr;
};
