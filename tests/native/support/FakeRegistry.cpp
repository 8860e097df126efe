#include "support/FakeRegistry.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
}  // namespace

std::wstring FakeRegistry::ComparisonKey(const std::wstring& valueName) {
  std::wstring key = valueName;
  for (wchar_t& c : key) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return key;
}

std::vector<std::wstring> FakeRegistry::ValueNames(registry::RegRootKey root,
                                                   const std::wstring& path) const {
  std::vector<std::wstring> names;
  auto found = keys_.find({root, path});
  if (found != keys_.end()) {
    for (const Value& value : found->second) names.push_back(value.name);
  }
  return names;
}

std::vector<FakeRegistry::Call> FakeRegistry::CallsOf(CallKind kind) const {
  std::vector<Call> selected;
  std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(selected),
               [kind](const Call& call) { return call.kind == kind; });
  return selected;
}

registry::RegStatus FakeRegistry::OpenKey(registry::RegRootKey root, const std::wstring& path,
                                          std::uint32_t options, std::uint32_t access,
                                          registry::RegKeyHandle& key) {
  registry::RegStatus status = 0;
  if (openRefusal_ != 0) {
    status = openRefusal_;
  } else if (refusedAccess_.count(access) != 0 || refusedPathAccess_.count({path, access}) != 0) {
    status = kAccessDenied;
  } else if (keys_.count({root, path}) == 0) {
    status = kFileNotFound;
  } else {
    key = nextHandle_++;
    handles_[key] = {{root, path}, access};
    open_.insert(key);
  }
  Call call;
  call.kind = CallKind::Open;
  call.status = status;
  call.key = status == 0 ? key : 0;
  call.root = root;
  call.path = path;
  call.options = options;
  call.access = access;
  calls_.push_back(call);
  if (journal_) journal_->push_back("registry.open");
  return status;
}

registry::RegStatus FakeRegistry::EnumValue(registry::RegKeyHandle key, std::uint32_t index,
                                            wchar_t* name, std::uint32_t& nameLength,
                                            std::uint32_t& type, std::uint32_t& dataSize) {
  Call call;
  call.kind = CallKind::Enum;
  call.key = key;
  call.index = index;
  call.bufferLength = nameLength;
  call.dataSizeIn = dataSize;
  call.status = HandleRefusal(key, kKeyQueryValue);
  if (auto failure = enumFailures_.find(index); call.status == 0 && failure != enumFailures_.end()) {
    call.status = failure->second;
  } else if (call.status == 0) {
    const std::vector<Value>& values = keys_[handles_.at(key).keyId];
    if (index >= values.size()) {
      call.status = kNoMoreItems;
    } else if (values[index].name.size() >= nameLength) {
      call.status = kMoreData;  // the name and its terminator do not fit the buffer
      std::copy_n(values[index].name.begin(), nameLength, name);  // truncated, unterminated
    } else {
      const std::wstring& valueName = values[index].name;
      // Instrumented copies (not wmemcpy), so an overrun is reported where it happens.
      std::copy_n(valueName.c_str(), valueName.size() + 1, name);
      std::fill_n(name + valueName.size() + 1, nameLength - valueName.size() - 1, kBufferFiller);
      nameLength = static_cast<std::uint32_t>(valueName.size());
      type = values[index].type;
      dataSize = static_cast<std::uint32_t>((valueName.size() + 1) * 2);  // not read by callers
    }
  }
  calls_.push_back(call);
  return call.status;
}

registry::RegStatus FakeRegistry::DeleteValue(registry::RegKeyHandle key, const std::wstring& name) {
  Call call;
  call.kind = CallKind::Delete;
  call.key = key;
  call.name = name;
  if (handles_.count(key) != 0) call.path = handles_.at(key).keyId.second;
  call.status = HandleRefusal(key, kKeySetValue);
  if (call.status == 0 && (refusedDeletes_.count({L"", name}) != 0 ||
                           refusedDeletes_.count({handles_.at(key).keyId.second, name}) != 0)) {
    call.status = kAccessDenied;
  } else if (call.status == 0) {
    std::vector<Value>& values = keys_[handles_.at(key).keyId];
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const Value& value) { return ComparisonKey(value.name) == ComparisonKey(name); });
    if (found == values.end()) {
      call.status = kFileNotFound;
    } else {
      values.erase(found);
    }
  }
  calls_.push_back(call);
  if (journal_) journal_->push_back("registry.delete");
  return call.status;
}

registry::RegStatus FakeRegistry::HandleRefusal(registry::RegKeyHandle key, std::uint32_t access) const {
  auto handle = handles_.find(key);
  if (handle == handles_.end() || open_.count(key) == 0) return kInvalidHandle;
  return (handle->second.access & access) == 0 ? kAccessDenied : 0;
}

registry::RegStatus FakeRegistry::CloseKey(registry::RegKeyHandle key) {
  Call call;
  call.kind = CallKind::Close;
  call.status = open_.erase(key) == 1 ? 0 : kInvalidHandle;
  call.key = key;
  calls_.push_back(call);
  return call.status;
}
