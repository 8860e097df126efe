#pragma once
// An in-memory registry behind the registry module's interface. Keys keep their values in
// insertion order (the order in which they are enumerated). As the registry does, it finds a
// value by its name ignoring letter case (of ASCII letters, as far as the tests need); a test
// may seed two spellings in one key only where nothing is deleted. It can refuse opens, fail the
// enumeration at a chosen index, and records every call with its access mask, so tests can
// check that each opened handle is closed. An enumeration call writes over every unit of
// the name buffer that the caller declared (the name, its terminator, then filler), as the
// registry may: a buffer smaller than its declared length is caught by AddressSanitizer.
#include <cstdint>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "registry/RegistryApi.h"
#include "support/Journal.h"

class FakeRegistry final : public registry::RegistryApi {
 public:
  static constexpr registry::RegStatus kFileNotFound = 2;
  static constexpr registry::RegStatus kAccessDenied = 5;
  static constexpr registry::RegStatus kInvalidHandle = 6;
  static constexpr registry::RegStatus kMoreData = 234;
  static constexpr registry::RegStatus kNoMoreItems = 259;
  static constexpr std::uint32_t kRegSz = 1;
  static constexpr std::uint32_t kRegDword = 4;
  // Written after the terminator of an enumerated name, up to the declared buffer length.
  static constexpr wchar_t kBufferFiller = L'#';

  struct Value {
    std::wstring name;
    std::uint32_t type;
  };

  enum class CallKind { Open, Enum, Delete, Close };
  struct Call {
    CallKind kind = CallKind::Open;
    registry::RegStatus status = 0;
    registry::RegKeyHandle key = 0;
    registry::RegRootKey root = 0;
    std::wstring path;  // for Open, and the opened key's for Delete
    std::uint32_t options = 0;
    std::uint32_t access = 0;
    std::uint32_t index = 0;
    std::uint32_t bufferLength = 0;  // capacity the caller declared, for Enum
    std::uint32_t dataSizeIn = 0;    // data size the caller passed in, for Enum
    std::wstring name;               // the value's name, for Delete
  };

  explicit FakeRegistry(Journal* journal = nullptr) : journal_(journal) {}

  void AddKey(registry::RegRootKey root, const std::wstring& path) { keys_[{root, path}]; }
  void AddValue(registry::RegRootKey root, const std::wstring& path, std::wstring name,
                std::uint32_t type = kRegSz) {
    keys_[{root, path}].push_back({std::move(name), type});
  }
  bool HasKey(registry::RegRootKey root, const std::wstring& path) const {
    return keys_.count({root, path}) != 0;
  }
  std::vector<std::wstring> ValueNames(registry::RegRootKey root, const std::wstring& path) const;

  // Every open answers this status instead of opening (0 lifts the refusal).
  void RefuseOpens(registry::RegStatus status) { openRefusal_ = status; }
  // Opens asking for this access answer ERROR_ACCESS_DENIED; of every key, or of one.
  void RefuseAccess(std::uint32_t access) { refusedAccess_.insert(access); }
  void RefuseAccess(const std::wstring& path, std::uint32_t access) { refusedPathAccess_.insert({path, access}); }
  // The enumeration call for this index answers this status.
  void FailEnumAt(std::uint32_t index, registry::RegStatus status) { enumFailures_[index] = status; }
  // Deleting this name answers ERROR_ACCESS_DENIED and removes nothing; under any key, or under
  // one (after that key opened to set values, as a value of its own could refuse).
  void RefuseDelete(const std::wstring& name) { refusedDeletes_.insert({L"", name}); }
  void RefuseDelete(const std::wstring& path, const std::wstring& name) { refusedDeletes_.insert({path, name}); }

  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<Call> CallsOf(CallKind kind) const;
  // Handles opened and not closed since.
  const std::set<registry::RegKeyHandle>& OpenHandles() const { return open_; }

  registry::RegStatus OpenKey(registry::RegRootKey root, const std::wstring& path,
                              std::uint32_t options, std::uint32_t access,
                              registry::RegKeyHandle& key) override;
  registry::RegStatus EnumValue(registry::RegKeyHandle key, std::uint32_t index, wchar_t* name,
                                std::uint32_t& nameLength, std::uint32_t& type,
                                std::uint32_t& dataSize) override;
  registry::RegStatus DeleteValue(registry::RegKeyHandle key, const std::wstring& name) override;
  registry::RegStatus CloseKey(registry::RegKeyHandle key) override;
  // "message <status>", so that tests see which status was described; no memory for it once
  // statusTextFails is set.
  std::wstring ComparisonKey(const std::wstring& valueName) override;
  std::wstring StatusText(registry::RegStatus status) override {
    if (statusTextFails) throw std::bad_alloc();
    return L"message " + std::to_wstring(status);
  }
  bool statusTextFails = false;

 private:
  using KeyId = std::pair<registry::RegRootKey, std::wstring>;
  struct Handle {
    KeyId keyId;
    std::uint32_t access;
  };

  // ERROR_INVALID_HANDLE for a handle not open, ERROR_ACCESS_DENIED when it was opened without
  // this access, 0 otherwise.
  registry::RegStatus HandleRefusal(registry::RegKeyHandle key, std::uint32_t access) const;

  Journal* journal_;
  std::map<KeyId, std::vector<Value>> keys_;
  std::map<registry::RegKeyHandle, Handle> handles_;
  std::set<registry::RegKeyHandle> open_;
  registry::RegKeyHandle nextHandle_ = 0x1000;
  registry::RegStatus openRefusal_ = 0;
  std::set<std::uint32_t> refusedAccess_;
  std::set<std::pair<std::wstring, std::uint32_t>> refusedPathAccess_;
  std::map<std::uint32_t, registry::RegStatus> enumFailures_;
  std::set<std::pair<std::wstring, std::wstring>> refusedDeletes_;
  std::vector<Call> calls_;
};
