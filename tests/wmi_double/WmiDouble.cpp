// The WMI test double: answers the winmgmts moniker with a service object whose ExecQuery
// serves the printers of its configuration file, and logs every call it sees.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/win32/Raii.h"
#include "tests/wmi_double/Utf8.h"
#include "tests/wmi_double/WmiDoubleProtocol.h"

namespace {

std::atomic<LONG> g_liveObjects{0};
std::atomic<LONG> g_serverLocks{0};

constexpr CLSID kDoubleClsid = {0x6B1C4E2A, 0x93D7, 0x4F0B, {0xA8, 0xE5, 0x3C, 0x2D, 0x71, 0xF9, 0x0A, 0x14}};

constexpr DISPID kDispidExecQuery = 1;
constexpr DISPID kDispidName = 1;

enum class Failure { None, Bind, ExecQuery, EnumerationAfter, NameRead, NameNotText, NameException, HangAtQuery };

struct Config {
  std::vector<std::wstring> printers;
  Failure failure = Failure::None;
  std::size_t index = 0;
  HRESULT loopbackRefusal = S_OK;  // S_OK: the loopback form binds like any other
  DWORD answerAfter = 0;           // milliseconds ExecQuery takes
  std::wstring logPath;  // empty: log nothing
};

// --- text -------------------------------------------------------------------------------

std::wstring Hex(unsigned value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%X", value);
  return text;
}

// --- configuration and log ---------------------------------------------------------------

// One log file, opened once per bind and kept open until its last object goes: a program
// reading thousands of printers makes tens of thousands of entries, and opening the file for
// each made the double, not the program, the slowest part of a large run. Entries are written
// at once, so a test can read them while the program is still running.
class Log {
 public:
  explicit Log(const std::wstring& path) {
    if (path.empty()) return;
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) file_.reset(file);
  }
  void Write(const std::wstring& entry) const {
    if (!file_) return;
    const std::string line = wmi_double::ToUtf8(entry) + "\n";
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

 private:
  win32::UniqueKernelHandle file_;
};

using SharedConfig = std::shared_ptr<const Config>;
using SharedLog = std::shared_ptr<const Log>;

bool ParseFailure(const std::wstring& text, Failure& failure) {
  static const std::pair<const wchar_t*, Failure> kNames[] = {
      {L"None", Failure::None},
      {L"Bind", Failure::Bind},
      {L"ExecQuery", Failure::ExecQuery},
      {L"EnumerationAfter", Failure::EnumerationAfter},
      {L"NameRead", Failure::NameRead},
      {L"NameNotText", Failure::NameNotText},
      {L"NameException", Failure::NameException},
      {L"HangAtQuery", Failure::HangAtQuery}};
  for (const auto& [name, value] : kNames) {
    if (text == name) {
      failure = value;
      return true;
    }
  }
  return false;
}

// Reads the configuration named by the environment; without it, no printer and no log.
// A configuration that cannot be read fails the bind, so a broken test set-up shows.
HRESULT LoadConfig(Config& config) {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetEnvironmentVariableW(wmi_double::kConfigVariable, path.data(),
                                               static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return S_OK;
  const std::wstring configPath(path.data(), length);
  const std::size_t slash = configPath.find_last_of(L"\\/");
  config.logPath = (slash == std::wstring::npos ? std::wstring() : configPath.substr(0, slash + 1)) +
                   wmi_double::kLogFileName;

  const HANDLE file = CreateFileW(configPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0) bytes.append(buffer, read);
  CloseHandle(file);

  std::wstring text;
  if (!wmi_double::FromUtf8(bytes, text)) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t space = line.find(L' ');
    const std::wstring key = line.substr(0, space);
    const std::wstring value = space == std::wstring::npos ? std::wstring() : line.substr(space + 1);
    if (key == L"printer") {
      config.printers.push_back(value);
    } else if (key == L"failure") {
      if (!ParseFailure(value, config.failure)) return E_INVALIDARG;
    } else if (key == L"index") {
      config.index = static_cast<std::size_t>(std::wcstoul(value.c_str(), nullptr, 10));
    } else if (key == L"answerAfter") {
      config.answerAfter = static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10));
    } else if (key == L"refuseLoopback") {
      config.loopbackRefusal = static_cast<HRESULT>(std::wcstoul(value.c_str(), nullptr, 16));
    } else if (!line.empty()) {
      return E_INVALIDARG;
    }
  }
  return S_OK;
}

// The arguments of an Invoke as the log shows them, first argument first.
std::wstring ArgumentTexts(const DISPPARAMS* params) {
  std::wstring texts;
  if (params == nullptr) return texts;
  for (UINT i = params->cArgs; i-- > 0;) {
    VARIANT text;
    VariantInit(&text);
    texts += L" [";
    if (SUCCEEDED(VariantChangeType(&text, &params->rgvarg[i], 0, VT_BSTR))) {
      texts += std::wstring(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
    } else {
      texts += L"vt " + Hex(V_VT(&params->rgvarg[i]));
    }
    texts += L"]";
    VariantClear(&text);
  }
  return texts;
}

// --- COM objects ---------------------------------------------------------------------------

// Reference counting and the live-object count shared by every object of the double.
class Counted {
 public:
  Counted() { ++g_liveObjects; }
  virtual ~Counted() { --g_liveObjects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  ULONG AddReference() { return static_cast<ULONG>(++references_); }
  ULONG ReleaseReference() {
    const LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 private:
  std::atomic<LONG> references_{1};
};

// An IDispatch with no type information; members are reached through GetIDsOfNames.
class Dispatch : public IDispatch, protected Counted {
 public:
  Dispatch(std::wstring logName, SharedConfig config, SharedLog log)
      : logName_(std::move(logName)), config_(std::move(config)), log_(std::move(log)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    try {
      HRESULT result = S_OK;
      for (UINT i = 0; i < count; ++i) {
        const std::wstring name = names[i] ? names[i] : L"";
        log_->Write(logName_ + L".GetIDsOfNames " + name);
        ids[i] = i == 0 ? IdOf(name) : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
      }
      return result;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    try {
      const UINT count = params ? params->cArgs : 0;
      log_->Write(logName_ + L".Invoke " + MemberName(member) + L" flags " + Hex(flags) + L" args " +
                  std::to_wstring(count) + ArgumentTexts(params));
      if (result != nullptr) VariantInit(result);
      return Call(member, flags, params, result, exception);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 protected:
  virtual DISPID IdOf(const std::wstring& name) const = 0;
  virtual std::wstring MemberName(DISPID member) const = 0;
  virtual HRESULT Call(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) = 0;

  const Config& config() const { return *config_; }
  const SharedConfig& sharedConfig() const { return config_; }
  const SharedLog& sharedLog() const { return log_; }

 private:
  std::wstring logName_;
  SharedConfig config_;
  SharedLog log_;
};

bool IsPropertyRead(WORD flags) { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0; }

// A Win32_Printer object: its Name.
class Printer final : public Dispatch {
 public:
  Printer(std::size_t index, SharedConfig config, SharedLog log)
      : Dispatch(L"printer[" + std::to_wstring(index) + L"]", std::move(config), std::move(log)), index_(index) {}

 protected:
  DISPID IdOf(const std::wstring& name) const override {
    return _wcsicmp(name.c_str(), L"Name") == 0 ? kDispidName : DISPID_UNKNOWN;
  }
  std::wstring MemberName(DISPID member) const override {
    return member == kDispidName ? L"Name" : L"dispid " + std::to_wstring(member);
  }
  HRESULT Call(DISPID member, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO* exception) override {
    if (member != kDispidName) return DISP_E_MEMBERNOTFOUND;
    if (!IsPropertyRead(flags)) return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr) return E_POINTER;
    const bool failsHere = index_ == config().index;
    if (failsHere && config().failure == Failure::NameRead) return static_cast<HRESULT>(wmi_double::kNameReadFailure);
    if (failsHere && config().failure == Failure::NameException && exception != nullptr) {
      *exception = EXCEPINFO{};
      exception->scode = static_cast<SCODE>(wmi_double::kNameExceptionScode);
      return DISP_E_EXCEPTION;
    }
    if (failsHere && config().failure == Failure::NameNotText) {
      SAFEARRAY* values = SafeArrayCreateVector(VT_I4, 0, 2);
      if (values == nullptr) return E_OUTOFMEMORY;
      V_VT(result) = VT_ARRAY | VT_I4;
      V_ARRAY(result) = values;
      return S_OK;
    }
    const std::wstring& name = config().printers[index_];
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::size_t index_;
};

// The result set's enumerator: the printers in configured order, failing where configured.
class PrinterEnumerator final : public IEnumVARIANT, private Counted {
 public:
  PrinterEnumerator(SharedConfig config, SharedLog log) : config_(std::move(config)), log_(std::move(log)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
      *object = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* items, ULONG* fetched) override {
    if (items == nullptr) return E_POINTER;
    ULONG given = 0;
    HRESULT result = S_OK;
    while (given < wanted) {
      if (config_->failure == Failure::EnumerationAfter && next_ == config_->index) {
        result = static_cast<HRESULT>(wmi_double::kEnumerationFailure);
        break;
      }
      if (next_ >= config_->printers.size()) {
        result = S_FALSE;
        break;
      }
      Printer* printer = new (std::nothrow) Printer(next_, config_, log_);
      if (printer == nullptr) {
        result = E_OUTOFMEMORY;
        break;
      }
      VariantInit(&items[given]);
      V_VT(&items[given]) = VT_DISPATCH;
      V_DISPATCH(&items[given]) = printer;
      ++given;
      ++next_;
    }
    log_->Write(L"enum.Next " + std::to_wstring(wanted) + L" gave " + std::to_wstring(given) + L" " + Hex(static_cast<unsigned>(result)));
    if (fetched != nullptr) *fetched = given;
    if (FAILED(result)) {
      for (ULONG i = 0; i < given; ++i) VariantClear(&items[i]);
      if (fetched != nullptr) *fetched = 0;
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    next_ += count;
    return next_ <= config_->printers.size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
    if (copy != nullptr) *copy = nullptr;
    return E_NOTIMPL;
  }

 private:
  SharedConfig config_;
  SharedLog log_;
  std::size_t next_ = 0;
};

// What ExecQuery returns: enumerable through _NewEnum.
class ResultSet final : public Dispatch {
 public:
  ResultSet(SharedConfig config, SharedLog log) : Dispatch(L"resultset", std::move(config), std::move(log)) {}

 protected:
  DISPID IdOf(const std::wstring& name) const override {
    return _wcsicmp(name.c_str(), L"_NewEnum") == 0 ? DISPID_NEWENUM : DISPID_UNKNOWN;
  }
  std::wstring MemberName(DISPID member) const override {
    return member == DISPID_NEWENUM ? L"_NewEnum" : L"dispid " + std::to_wstring(member);
  }
  HRESULT Call(DISPID member, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*) override {
    if (member != DISPID_NEWENUM || !IsPropertyRead(flags)) return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr) return E_POINTER;
    auto* enumerator = new (std::nothrow) PrinterEnumerator(sharedConfig(), sharedLog());
    if (enumerator == nullptr) return E_OUTOFMEMORY;
    V_VT(result) = VT_UNKNOWN;
    V_UNKNOWN(result) = enumerator;
    return S_OK;
  }
};

// The service object the moniker binds to: ExecQuery.
class Service final : public Dispatch {
 public:
  Service(SharedConfig config, SharedLog log) : Dispatch(L"service", std::move(config), std::move(log)) {}

 protected:
  DISPID IdOf(const std::wstring& name) const override {
    return _wcsicmp(name.c_str(), L"ExecQuery") == 0 ? kDispidExecQuery : DISPID_UNKNOWN;
  }
  std::wstring MemberName(DISPID member) const override {
    return member == kDispidExecQuery ? L"ExecQuery" : L"dispid " + std::to_wstring(member);
  }
  HRESULT Call(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) override {
    if (member != kDispidExecQuery || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr || params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
    if (config().failure == Failure::HangAtQuery) Sleep(INFINITE);  // a driver or print server that never answers
    Sleep(config().answerAfter);
    if (config().failure == Failure::ExecQuery) {
      if (exception == nullptr) return static_cast<HRESULT>(wmi_double::kExecQueryFailure);
      *exception = EXCEPINFO{};
      exception->bstrSource = SysAllocString(L"SWbemServicesEx");
      exception->bstrDescription = SysAllocString(L"Requête non valide");
      exception->scode = static_cast<SCODE>(wmi_double::kExecQueryFailure);
      return DISP_E_EXCEPTION;
    }
    if (result == nullptr) return E_POINTER;
    auto* resultSet = new (std::nothrow) ResultSet(sharedConfig(), sharedLog());
    if (resultSet == nullptr) return E_OUTOFMEMORY;
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = resultSet;
    return S_OK;
  }
};

// The class registered for the winmgmts ProgID. Display-name parsing may ask the class
// object or an instance for IParseDisplayName, so this one object is both.
class MonikerParser final : public IClassFactory, public IParseDisplayName, private Counted {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
    } else if (iid == IID_IParseDisplayName) {
      *object = static_cast<IParseDisplayName*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* parser = new (std::nothrow) MonikerParser;
    if (parser == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = parser->QueryInterface(iid, object);
    parser->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++g_serverLocks;
    } else {
      --g_serverLocks;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, LPOLESTR displayName, ULONG* eaten, IMoniker** moniker) override {
    if (moniker == nullptr || eaten == nullptr) return E_POINTER;
    *moniker = nullptr;
    *eaten = 0;
    try {
      auto config = std::make_shared<Config>();
      const HRESULT loaded = LoadConfig(*config);
      auto log = std::make_shared<const Log>(config->logPath);
      const std::wstring name = displayName ? displayName : L"";
      log->Write(L"ParseDisplayName " + name);
      if (FAILED(loaded)) return loaded;
      if (config->loopbackRefusal != S_OK && name.find(L"!\\\\127.0.0.1\\") != std::wstring::npos) {
        return config->loopbackRefusal;
      }
      if (config->failure == Failure::Bind) return static_cast<HRESULT>(wmi_double::kBindFailure);

      auto* service = new (std::nothrow) Service(config, log);
      if (service == nullptr) return E_OUTOFMEMORY;
      const HRESULT hr = CreatePointerMoniker(static_cast<IDispatch*>(service), moniker);
      service->Release();
      if (SUCCEEDED(hr)) *eaten = static_cast<ULONG>(name.size());
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
};

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != kDoubleClsid) return CLASS_E_CLASSNOTAVAILABLE;
  auto* parser = new (std::nothrow) MonikerParser;
  if (parser == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = parser->QueryInterface(iid, object);
  parser->Release();
  return hr;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_liveObjects == 0 && g_serverLocks == 0 ? S_OK : S_FALSE; }

LONG STDAPICALLTYPE WmiDoubleLiveObjects() { return g_liveObjects; }

}  // extern "C"
