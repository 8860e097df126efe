// libFuzzer target: arbitrary bytes become either an in-memory registry key handed to
// Module1, or two name lists handed to StaleNameIndices. Each result is checked against a
// plain model of the same rules written here, independently of the product's code; any
// divergence aborts, and AddressSanitizer / UndefinedBehaviorSanitizer report the rest.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/StaleNames.h"
#include "registry/Module1.h"

namespace {

// Reads the input front to back; past its end every read gives 0, so any input decodes.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  std::uint32_t U32() { return U16() | (static_cast<std::uint32_t>(U16()) << 16); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  bool Flag() { return (Byte() & 1) != 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

[[noreturn]] void Diverged(const char* what) {
  std::fprintf(stderr, "divergence: %s\n", what);
  std::abort();
}

void Check(bool holds, const char* what) {
  if (!holds) Diverged(what);
}

// UTF-16 units chosen to make case variants, blanks, backslashes, accents, CJK, surrogate
// halves, NUL and the last unit likely.
wchar_t Unit(Reader& in) {
  static const wchar_t kUnits[] = {L'A', L'a', L'B', L'b', L' ', L'\\', L'\u00E9', L'\u00C9',
                                   L'\u6771', static_cast<wchar_t>(0xD83D),
                                   static_cast<wchar_t>(0xDDA8), L'\0',
                                   static_cast<wchar_t>(0xFFFF)};
  const std::uint8_t pick = in.Byte();
  if (pick < 2 * std::size(kUnits)) return kUnits[pick % std::size(kUnits)];
  return static_cast<wchar_t>(in.U16());
}

// Names around the 255-unit buffer are the interesting ones, so lengths favour them.
std::wstring Name(Reader& in) {
  std::size_t length = 0;
  switch (in.Byte() % 8) {
    case 0: length = 0; break;
    case 1: length = 1 + in.Byte() % 16; break;
    case 2: length = 253; break;
    case 3: length = 254; break;
    case 4: length = 255; break;
    case 5: length = 256; break;
    case 6: length = in.U16() % 1024; break;
    default: length = 1 + in.Byte() % 4; break;
  }
  // A long name is one unit repeated with a few chosen units at its end.
  const std::size_t chosen = length < 4 ? length : 4;
  std::wstring name(length - chosen, Unit(in));
  for (std::size_t i = 0; i < chosen; ++i) name += Unit(in);
  return name;
}

registry::ValueNameArray PassedNames(Reader& in) {
  registry::ValueNameArray names;
  const std::size_t count = in.Byte() % 8;
  for (std::size_t i = 0; i < count; ++i) {
    if (in.Flag()) {
      names.emplace_back(Name(in));
    } else {
      names.emplace_back(in.I32());
    }
  }
  return names;
}

// ---------------------------------------------------------------------------------------
// The registry side.

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::int32_t kMoreData = 234;
constexpr std::int32_t kNoMoreItems = 259;
constexpr std::int32_t kFileNotFound = 2;
constexpr std::uint32_t kBufferLength = 255;

struct Scenario {
  std::uint32_t root = 0;
  std::wstring path;
  std::vector<std::wstring> values;  // unique names, in enumeration order
  std::int32_t openStatus = 0;       // non-zero: the open is refused with it
  bool enumFails = false;
  std::uint32_t enumFailIndex = 0;
  std::int32_t enumFailStatus = 0;  // non-zero
  std::int32_t closeStatus = 0;     // ignored by the module whatever it is
  std::uintptr_t handle = 0;
};

std::int32_t NonZeroStatus(Reader& in) {
  static const std::int32_t kStatuses[] = {kFileNotFound, 5, 6, kMoreData, kNoMoreItems, -1,
                                           std::numeric_limits<std::int32_t>::min(), 1};
  const std::uint8_t pick = in.Byte();
  std::int32_t status = pick < 2 * std::size(kStatuses) ? kStatuses[pick % std::size(kStatuses)]
                                                         : in.I32();
  return status != 0 ? status : 1;
}

Scenario DecodeScenario(Reader& in) {
  Scenario s;
  s.root = in.Flag() ? 0x80000001u : in.U32();
  const std::size_t pathLength = in.Byte() % 8;
  for (std::size_t i = 0; i < pathLength; ++i) s.path += Unit(in);
  if (in.Flag()) s.openStatus = NonZeroStatus(in);
  const std::size_t valueCount = in.Byte() % 48;
  std::set<std::wstring> seen;  // a key never holds two values of the same name
  for (std::size_t i = 0; i < valueCount; ++i) {
    std::wstring name = Name(in);
    if (seen.insert(name).second) s.values.push_back(std::move(name));
  }
  s.enumFails = in.Flag();
  if (s.enumFails) {
    s.enumFailIndex = in.Byte() % (s.values.size() + 2);
    s.enumFailStatus = NonZeroStatus(in);
  }
  if (in.Flag()) s.closeStatus = NonZeroStatus(in);
  s.handle = 0x1000u + in.Byte();
  return s;
}

// One key behind the registry interface. It checks the calling protocol as it goes and, on
// each enumeration call, lets the harness look at the caller's outputs mid-call.
class ScriptedRegistry final : public registry::RegistryApi {
 public:
  struct Call {
    char kind = 'O';  // 'O'pen, 'E'num, 'D'elete, 'C'lose
    std::uint32_t root = 0;
    std::wstring path;
    std::uint32_t options = 0;
    std::uint32_t access = 0;
    std::uintptr_t key = 0;
    std::uint32_t index = 0;
    std::uint32_t bufferLength = 0;
    std::uint32_t dataSizeIn = 0;
    std::wstring name;
  };

  ScriptedRegistry(const Scenario& scenario, std::vector<std::wstring> values)
      : s_(scenario), values_(std::move(values)) {}

  std::vector<Call> calls;
  std::vector<std::wstring>& Values() { return values_; }
  void OnEnum(std::function<void(std::uint32_t)> observer) { onEnum_ = std::move(observer); }
  void OnClose(std::function<void()> observer) { onClose_ = std::move(observer); }

  registry::RegStatus OpenKey(registry::RegRootKey root, const std::wstring& path,
                              std::uint32_t options, std::uint32_t access,
                              registry::RegKeyHandle& key) override {
    Call call;
    call.kind = 'O';
    call.root = root;
    call.path = path;
    call.options = options;
    call.access = access;
    calls.push_back(call);
    if (s_.openStatus != 0) return s_.openStatus;
    key = s_.handle;
    return 0;
  }

  registry::RegStatus EnumValue(registry::RegKeyHandle key, std::uint32_t index, wchar_t* name,
                                std::uint32_t& nameLength, std::uint32_t& type,
                                std::uint32_t& dataSize) override {
    Call call;
    call.kind = 'E';
    call.key = key;
    call.index = index;
    call.bufferLength = nameLength;
    call.dataSizeIn = dataSize;
    calls.push_back(call);
    if (onEnum_) onEnum_(index);
    if (s_.enumFails && index == s_.enumFailIndex) return s_.enumFailStatus;
    if (index >= values_.size()) return kNoMoreItems;
    const std::wstring& value = values_[index];
    if (value.size() >= nameLength) {
      for (std::uint32_t i = 0; i < nameLength; ++i) name[i] = value[i];
      return kMoreData;
    }
    // The whole declared buffer is written: a smaller real buffer is an overflow.
    for (std::uint32_t i = 0; i < nameLength; ++i) {
      name[i] = i < value.size() ? value[i] : (i == value.size() ? L'\0' : L'#');
    }
    nameLength = static_cast<std::uint32_t>(value.size());
    type = 1;
    dataSize = 2 * (nameLength + 1);
    return 0;
  }

  registry::RegStatus DeleteValue(registry::RegKeyHandle key, const std::wstring& name) override {
    Call call;
    call.kind = 'D';
    call.key = key;
    call.name = name;
    calls.push_back(call);
    for (auto it = values_.begin(); it != values_.end(); ++it) {
      if (*it == name) {
        values_.erase(it);
        return 0;
      }
    }
    return kFileNotFound;
  }

  std::wstring StatusText(registry::RegStatus) override { return {}; }
  std::wstring ComparisonKey(const std::wstring& name) override { return name; }

  registry::RegStatus CloseKey(registry::RegKeyHandle key) override {
    Call call;
    call.kind = 'C';
    call.key = key;
    calls.push_back(call);
    if (onClose_) onClose_();
    return s_.closeStatus;
  }

 private:
  const Scenario& s_;
  std::vector<std::wstring> values_;
  std::function<void(std::uint32_t)> onEnum_;
  std::function<void()> onClose_;
};

enum class Records { Names, Zeros, Nothing };

Records ModelRecords(std::int32_t kind) {
  if (kind == 1 || kind == 2 || kind == 6 || kind == 7) return Records::Names;
  if (kind == 0 || (kind >= 3 && kind <= 5) || (kind >= 8 && kind <= 11)) return Records::Zeros;
  return Records::Nothing;
}

// The index at which the enumeration stops: a failure there, past the last value, or a
// name that does not fit 255 units with its terminator.
std::uint32_t ModelStop(const Scenario& s) {
  for (std::uint32_t m = 0;; ++m) {
    if (s.enumFails && m == s.enumFailIndex) return m;
    if (m >= s.values.size()) return m;
    if (s.values[m].size() >= kBufferLength) return m;
  }
}

registry::ValueNameArray ModelRecorded(const Scenario& s, Records records, std::uint32_t n) {
  registry::ValueNameArray recorded;
  for (std::uint32_t m = 0; m < n; ++m) {
    if (records == Records::Names) {
      recorded.emplace_back(s.values[m]);
    } else {
      recorded.emplace_back(std::int32_t{0});
    }
  }
  return recorded;
}

void FuzzEnumRegValues(Reader& in) {
  const Scenario s = DecodeScenario(in);
  const std::int32_t kind = in.Flag() ? static_cast<std::int32_t>(in.Byte() % 17) - 2 : in.I32();
  const registry::ValueNameArray passed = PassedNames(in);
  const std::int32_t passedCount = in.I32();

  const Records records = s.openStatus != 0 ? Records::Nothing : ModelRecords(kind);
  const std::uint32_t stop = records == Records::Nothing ? 0 : ModelStop(s);
  const registry::ValueNameArray recorded = ModelRecorded(s, records, stop);
  const registry::ValueNameArray expectedNames = stop == 0 ? passed : recorded;
  const std::int32_t expectedCount =
      s.openStatus != 0 ? passedCount : static_cast<std::int32_t>(stop);

  ScriptedRegistry api(s, s.values);
  registry::ValueNameArray names = passed;
  std::int32_t count = passedCount;
  // Mid-call: before the call at index m, exactly m elements were recorded (one resize per
  // value, nothing ahead), or the array is still as passed when m is 0; count is written
  // only at the end, after the last enumeration call and before the close.
  api.OnEnum([&](std::uint32_t m) {
    Check(count == passedCount, "count written before the enumeration ended");
    if (m == 0) {
      Check(names == passed, "names changed before the first value was recorded");
    } else {
      Check(m <= recorded.size(), "enumeration went on past where it should have ended");
      Check(names.size() == m, "names not sized to exactly the values recorded so far");
      Check(registry::ValueNameArray(recorded.begin(), recorded.begin() + m) == names,
            "earlier elements not preserved");
    }
  });
  api.OnClose([&] {
    Check(count == expectedCount, "count not written before the key was closed");
  });

  registry::Module1 module1(api);
  try {
    module1.EnumRegValues(s.root, s.path, names, count, kind);
  } catch (...) {
    Diverged("EnumRegValues raised");
  }

  Check(count == expectedCount, "count");
  Check(names == expectedNames, "names");

  // The calls, in order: open; then, when opened, enumeration 0..stop and the close.
  const auto& calls = api.calls;
  Check(!calls.empty() && calls[0].kind == 'O', "first call is the open");
  Check(calls[0].root == s.root && calls[0].path == s.path, "root and path passed through");
  Check(calls[0].options == 0 && calls[0].access == kKeyRead, "open options and access");
  if (s.openStatus != 0) {
    Check(calls.size() == 1, "calls after a refused open");
    return;
  }
  const std::size_t enumCalls = records == Records::Nothing ? 0 : stop + 1;
  Check(calls.size() == 1 + enumCalls + 1, "number of calls");
  for (std::size_t i = 0; i < enumCalls; ++i) {
    const auto& call = calls[1 + i];
    Check(call.kind == 'E' && call.index == i, "enumeration index sequence");
    Check(call.key == s.handle, "enumeration on the opened handle");
    Check(call.bufferLength == kBufferLength, "declared name buffer length");
    Check(call.dataSizeIn == 0, "data size passed in");
  }
  Check(calls.back().kind == 'C' && calls.back().key == s.handle, "close of the opened handle");
}

void FuzzDeleteRegValue(Reader& in) {
  const Scenario s = DecodeScenario(in);
  const std::wstring target = in.Flag() && !s.values.empty() ? s.values[in.Byte() % s.values.size()]
                                                             : Name(in);
  // A name holding a NUL cannot be passed whole to the registry's deletion by name, which
  // would take the part before the NUL for the name: nothing is called at all.
  const bool addressable = target.find(L'\0') == std::wstring::npos;
  std::vector<std::wstring> expected = s.values;
  if (s.openStatus == 0 && addressable) {
    for (auto it = expected.begin(); it != expected.end(); ++it) {
      if (*it == target) {
        expected.erase(it);
        break;
      }
    }
  }

  // Gone: deleted, or the key or the value was not there. Anything else leaves it there.
  const bool expectedGone = addressable && (s.openStatus == 0 || s.openStatus == kFileNotFound);

  ScriptedRegistry api(s, s.values);
  registry::Module1 module1(api);
  registry::DeletionResult result;
  try {
    result = module1.DeleteRegValue(s.root, s.path, target);
  } catch (...) {
    Diverged("DeleteRegValue raised");
  }

  Check(api.Values() == expected, "values after the deletion");
  Check(result.gone == expectedGone, "whether the value is reported gone");
  Check(result.gone || result.status != 0, "a value still there comes with its status");
  Check(result.deletedNow == (api.Values() != s.values), "deleted now exactly when a value went");
  const auto& calls = api.calls;
  if (!addressable) {
    Check(calls.empty(), "calls for a name holding a NUL");
    return;
  }
  Check(!calls.empty() && calls[0].kind == 'O', "first call is the open");
  Check(calls[0].root == s.root && calls[0].path == s.path, "root and path passed through");
  Check(calls[0].options == 0 && calls[0].access == kKeySetValue, "open options and access");
  if (s.openStatus != 0) {
    Check(calls.size() == 1, "calls after a refused open");
    return;
  }
  Check(calls.size() == 3, "open, delete, close");
  Check(calls[1].kind == 'D' && calls[1].key == s.handle && calls[1].name == target,
        "deletion of the named value on the opened handle");
  Check(calls[2].kind == 'C' && calls[2].key == s.handle, "close of the opened handle");
}

// ---------------------------------------------------------------------------------------
// The stale-name side.

std::vector<std::wstring> ShortNames(Reader& in) {
  std::vector<std::wstring> names;
  const std::size_t count = in.Byte() % 64;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t length = in.Byte() % 4;
    std::wstring name;
    for (std::size_t k = 0; k < length; ++k) name += Unit(in);
    names.push_back(std::move(name));
  }
  return names;
}

void FuzzStaleNames(Reader& in) {
  const std::vector<std::wstring> registryNames = ShortNames(in);
  const std::vector<std::wstring> printerNames = ShortNames(in);

  std::vector<std::int16_t> expected;
  for (std::size_t i = 0; i < registryNames.size(); ++i) {
    bool installed = false;
    for (std::size_t j = 0; j < printerNames.size(); ++j) {
      if (registryNames[i] == printerNames[j]) installed = true;
    }
    if (!installed) expected.push_back(static_cast<std::int16_t>(i));
  }

  Check(StaleNameIndices(registryNames, printerNames) == expected, "stale name indices");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  switch (in.Byte() % 3) {
    case 0: FuzzEnumRegValues(in); break;
    case 1: FuzzDeleteRegValue(in); break;
    default: FuzzStaleNames(in); break;
  }
  return 0;
}
