#pragma once
// Owning wrappers for the Win32 and COM resources the program uses, so that every handle,
// COM reference, BSTR and VARIANT is released on every path, normal or failing.
// COM references use Microsoft::WRL::ComPtr.
// None of them throws: the caller checks and reports a failure (win32::ThrowLastError).
#include <windows.h>
#include <oleauto.h>
#include <winsvc.h>

#include <string>
#include <utility>

namespace win32 {

// A handle released by a function such as DeleteObject or CloseHandle.
template <typename Handle, auto Release, Handle kEmpty = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != kEmpty; }
  Handle release() { return std::exchange(handle_, kEmpty); }
  void reset(Handle handle = kEmpty) {
    if (handle_ != kEmpty) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = kEmpty;
};

inline void CloseKernelHandle(HANDLE handle) { ::CloseHandle(handle); }
inline void DeleteGdiObject(HFONT font) { ::DeleteObject(font); }
inline void DeregisterEventSourceHandle(HANDLE source) { ::DeregisterEventSource(source); }
inline void UnloadModule(HMODULE module) { ::FreeLibrary(module); }
inline void CloseService(SC_HANDLE service) { ::CloseServiceHandle(service); }

using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueEventSource = UniqueHandle<HANDLE, DeregisterEventSourceHandle>;
using UniqueModule = UniqueHandle<HMODULE, UnloadModule>;
using UniqueServiceHandle = UniqueHandle<SC_HANDLE, CloseService>;

// The screen's device context with a font selected into it, for measuring text in that font.
// The font is deselected and the context released on every path; the font itself stays the
// caller's. False when either step failed, with the failed step's error code still the
// thread's last error for the caller to report.
class ScreenDcWithFont {
 public:
  explicit ScreenDcWithFont(HFONT font) : dc_(::GetDC(nullptr)) {
    if (!dc_) return;
    previous_ = ::SelectObject(dc_, font);
    if (!previous_) {
      const DWORD error = ::GetLastError();  // ReleaseDC may set its own
      ::ReleaseDC(nullptr, dc_);
      dc_ = nullptr;
      ::SetLastError(error);
    }
  }
  ~ScreenDcWithFont() {
    if (!dc_) return;
    ::SelectObject(dc_, previous_);
    ::ReleaseDC(nullptr, dc_);
  }
  ScreenDcWithFont(const ScreenDcWithFont&) = delete;
  ScreenDcWithFont& operator=(const ScreenDcWithFont&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// An owned BSTR, freed with SysFreeString.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& text)
      : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(bstr_); }
  Bstr(Bstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      ::SysFreeString(bstr_);
      bstr_ = std::exchange(other.bstr_, nullptr);
    }
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return bstr_; }
  // For out-parameters: frees what is held and hands out the slot.
  BSTR* put() {
    ::SysFreeString(bstr_);
    bstr_ = nullptr;
    return &bstr_;
  }
  std::wstring str() const { return bstr_ ? std::wstring(bstr_, ::SysStringLen(bstr_)) : std::wstring(); }

 private:
  BSTR bstr_ = nullptr;
};

// An owned VARIANT, cleared with VariantClear.
class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() { return &value_; }
  const VARIANT* get() const { return &value_; }
  // For out-parameters: clears what is held and hands out the slot.
  VARIANT* put() {
    ::VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// COM for the current thread, apartment-threaded as a window thread must be.
class ComApartment {
 public:
  ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace win32
