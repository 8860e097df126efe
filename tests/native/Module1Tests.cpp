// The registry module against the in-memory stand-in: what EnumRegValues records, what it
// leaves alone, and how both procedures open and close keys.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "registry/Module1.h"
#include "support/FakeRegistry.h"

namespace {

using registry::Module1;
using registry::ValueNameArray;
using CallKind = FakeRegistry::CallKind;

constexpr registry::RegRootKey kRoot = registry::kHkeyCurrentUser;
constexpr wchar_t kPath[] = L"Software\\Essais\\Devices";
constexpr std::int32_t kText = 1;  // REG_SZ

ValueNameArray Texts(std::initializer_list<std::wstring> texts) {
  ValueNameArray names;
  for (const std::wstring& text : texts) names.emplace_back(text);
  return names;
}

ValueNameArray Zeros(std::size_t n) { return ValueNameArray(n, std::int32_t{0}); }

// An array left over from earlier use, to tell "untouched" from "emptied" or "rewritten".
ValueNameArray FiveEarlierElements() {
  return {std::wstring(L"ancien 0"), std::wstring(L"ancien 1"), std::int32_t{7},
          std::wstring(L""), std::wstring(L"ancien 4")};
}

struct EnumResult {
  ValueNameArray names;
  std::int32_t count;
};

EnumResult Enumerate(FakeRegistry& fake, ValueNameArray names, std::int32_t count,
                     std::int32_t kind = kText) {
  Module1 module1(fake);
  EXPECT_NO_THROW(module1.EnumRegValues(kRoot, kPath, names, count, kind));
  return {std::move(names), count};
}

}  // namespace

TEST(EnumRegValues, KeepsTheOrderInWhichTheRegistryReportsTheValues) {
  FakeRegistry fake;
  for (const wchar_t* name : {L"B", L"A", L"C"}) fake.AddValue(kRoot, kPath, name);

  const EnumResult result = Enumerate(fake, {}, 0);

  EXPECT_EQ(result.count, 3);
  EXPECT_EQ(result.names, Texts({L"B", L"A", L"C"}));
}

TEST(EnumRegValues, RecordsEveryNameExactlyAsDeliveredWhateverTheValueType) {
  // Blanks, case, backslashes and letters outside Latin-1 pass through unchanged; a long
  // name before a short one leaves nothing of itself in the short one's element.
  const std::wstring names[] = {L"",
                                L" ",
                                L"Imprimante  ",
                                L"  Imprimante",
                                L"HP LaserJet MiXeD",
                                std::wstring(200, L'L'),
                                L"ab",
                                L"\\\\SERVER\\Queue",
                                L"Imprimante Été 東京",
                                L"Imprimante \U0001F5A8"};
  FakeRegistry fake;
  ValueNameArray expected;
  for (const std::wstring& name : names) {
    const std::uint32_t type = name == L"ab" ? FakeRegistry::kRegDword : FakeRegistry::kRegSz;
    fake.AddValue(kRoot, kPath, name, type);
    expected.emplace_back(name);
  }

  const EnumResult result = Enumerate(fake, {}, 0);

  EXPECT_EQ(result.count, static_cast<std::int32_t>(std::size(names)));
  EXPECT_EQ(result.names, expected);
}

TEST(EnumRegValues, EmptyKeySetsCountToZeroAndLeavesNamesAsPassed) {
  FakeRegistry fake;
  fake.AddKey(kRoot, kPath);

  const EnumResult fromEmpty = Enumerate(fake, {}, 42);
  EXPECT_EQ(fromEmpty.count, 0);
  EXPECT_TRUE(fromEmpty.names.empty());

  const EnumResult fromFive = Enumerate(fake, FiveEarlierElements(), 42);
  EXPECT_EQ(fromFive.count, 0);
  EXPECT_EQ(fromFive.names, FiveEarlierElements());
}

TEST(EnumRegValues, KeyThatCannotBeOpenedLeavesNamesAndCountAsPassed) {
  struct Case {
    const char* situation;
    void (*arrange)(FakeRegistry&);
  };
  const Case cases[] = {
      {"missing key", [](FakeRegistry&) {}},
      {"read access refused",
       [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"A");
         fake.RefuseAccess(registry::kKeyRead);
       }},
      // Every status other than 0 is a failure, the end-of-enumeration one and odd ones too.
      {"open answers 259", [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"A");
         fake.RefuseOpens(FakeRegistry::kNoMoreItems);
       }},
      {"open answers -1", [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"A");
         fake.RefuseOpens(-1);
       }},
      {"open answers 0x80000000", [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"A");
         fake.RefuseOpens(std::numeric_limits<std::int32_t>::min());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    FakeRegistry fake;
    c.arrange(fake);

    const EnumResult fromFive = Enumerate(fake, FiveEarlierElements(), 42);
    EXPECT_EQ(fromFive.count, 42);
    EXPECT_EQ(fromFive.names, FiveEarlierElements());

    const EnumResult fromEmpty = Enumerate(fake, {}, 0);
    EXPECT_EQ(fromEmpty.count, 0);
    EXPECT_TRUE(fromEmpty.names.empty());

    // Nothing follows a failed open: no enumeration, and no close of a handle never opened.
    EXPECT_EQ(fake.CallsOf(CallKind::Open).size(), 2u);
    EXPECT_EQ(fake.Calls().size(), 2u);
  }
}

TEST(EnumRegValues, RecordingFewerValuesThanPassedLeavesExactlyThoseRecorded) {
  FakeRegistry fake;
  fake.AddValue(kRoot, kPath, L"Premier");
  fake.AddValue(kRoot, kPath, L"Second");

  const EnumResult result = Enumerate(fake, FiveEarlierElements(), 42);

  EXPECT_EQ(result.count, 2);
  EXPECT_EQ(result.names, Texts({L"Premier", L"Second"}));
}

TEST(EnumRegValues, KindSelectsWhatIsRecordedButNeverWhichValuesAreEnumerated) {
  enum class Records { Names, Zeros, Nothing };
  struct Case {
    std::int32_t kind;
    Records records;
  };
  const Case cases[] = {
      {1, Records::Names},    {2, Records::Names},    {6, Records::Names},
      {7, Records::Names},    {0, Records::Zeros},    {3, Records::Zeros},
      {4, Records::Zeros},    {5, Records::Zeros},    {8, Records::Zeros},
      {9, Records::Zeros},    {10, Records::Zeros},   {11, Records::Zeros},
      {12, Records::Nothing}, {13, Records::Nothing}, {255, Records::Nothing},
      {-1, Records::Nothing}, {-2, Records::Nothing},
      {std::numeric_limits<std::int32_t>::max(), Records::Nothing},
      {std::numeric_limits<std::int32_t>::min(), Records::Nothing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind));
    // Values of text, integer and binary types alike: the kind filters none of them out.
    FakeRegistry fake;
    fake.AddValue(kRoot, kPath, L"Texte", FakeRegistry::kRegSz);
    fake.AddValue(kRoot, kPath, L"Compteur", FakeRegistry::kRegDword);
    fake.AddValue(kRoot, kPath, L"", 3);

    for (const ValueNameArray& passed : {ValueNameArray{}, FiveEarlierElements()}) {
      const EnumResult result = Enumerate(fake, passed, 42, c.kind);
      switch (c.records) {
        case Records::Names:
          EXPECT_EQ(result.count, 3);
          EXPECT_EQ(result.names, Texts({L"Texte", L"Compteur", L""}));
          break;
        case Records::Zeros:
          EXPECT_EQ(result.count, 3);
          EXPECT_EQ(result.names, Zeros(3));
          break;
        case Records::Nothing:
          EXPECT_EQ(result.count, 0);
          EXPECT_EQ(result.names, passed);
          break;
      }
    }
    // Nothing selects nothing to enumerate: the key is opened and closed, never read.
    const std::size_t enumCalls = fake.CallsOf(CallKind::Enum).size();
    EXPECT_EQ(enumCalls, c.records == Records::Nothing ? 0u : 2u * 4u);
    EXPECT_TRUE(fake.OpenHandles().empty());
  }
}

TEST(EnumRegValues, FailureAtAnIndexEndsTheEnumerationKeepingTheNamesBeforeIt) {
  struct Case {
    std::uint32_t failingIndex;
    registry::RegStatus status;
  };
  const Case cases[] = {
      {0, FakeRegistry::kMoreData},      {0, FakeRegistry::kAccessDenied},
      {1, FakeRegistry::kMoreData},      {2, FakeRegistry::kInvalidHandle},
      {3, -1},                           {3, 1},
      {2, std::numeric_limits<std::int32_t>::min()},
  };
  const ValueNameArray all = Texts({L"V0", L"V1", L"V2", L"V3"});
  for (const Case& c : cases) {
    SCOPED_TRACE("failure " + std::to_string(c.status) + " at index " +
                 std::to_string(c.failingIndex));
    FakeRegistry fake;
    for (const auto& name : all) fake.AddValue(kRoot, kPath, std::get<std::wstring>(name));
    fake.FailEnumAt(c.failingIndex, c.status);

    const EnumResult result = Enumerate(fake, FiveEarlierElements(), 42);

    EXPECT_EQ(result.count, static_cast<std::int32_t>(c.failingIndex));
    if (c.failingIndex == 0) {
      EXPECT_EQ(result.names, FiveEarlierElements());
    } else {
      EXPECT_EQ(result.names, ValueNameArray(all.begin(), all.begin() + c.failingIndex));
    }
    // The value at the failing index and all later ones are never asked for again.
    const auto enumCalls = fake.CallsOf(CallKind::Enum);
    ASSERT_EQ(enumCalls.size(), c.failingIndex + 1u);
    for (std::uint32_t m = 0; m < enumCalls.size(); ++m) EXPECT_EQ(enumCalls[m].index, m);
    EXPECT_TRUE(fake.OpenHandles().empty());
  }
}

TEST(EnumRegValues, ListsA254UnitNameWholeAndEndsTheEnumerationAtA255UnitName) {
  const std::wstring name254(254, L'x');
  const std::wstring name255(255, L'y');
  FakeRegistry fake;
  fake.AddValue(kRoot, kPath, L"avant");
  fake.AddValue(kRoot, kPath, name254);
  fake.AddValue(kRoot, kPath, L"entre");
  fake.AddValue(kRoot, kPath, name255);
  fake.AddValue(kRoot, kPath, L"après");

  const EnumResult result = Enumerate(fake, {}, 0);

  EXPECT_EQ(result.count, 3);
  EXPECT_EQ(result.names, Texts({L"avant", name254, L"entre"}));
}

TEST(EnumRegValues, LongerNamesThan255UnitsEndTheEnumerationToo) {
  for (std::size_t length : {256u, 1000u, 16383u}) {
    SCOPED_TRACE("name of " + std::to_string(length) + " units");
    FakeRegistry fake;
    fake.AddValue(kRoot, kPath, L"avant");
    fake.AddValue(kRoot, kPath, std::wstring(length, L'z'));
    fake.AddValue(kRoot, kPath, L"après");

    const EnumResult result = Enumerate(fake, {}, 0);

    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(result.names, Texts({L"avant"}));
  }
}

TEST(EnumRegValues, DeclaresA255UnitNameBufferAndZeroDataSizeOnEveryCall) {
  for (std::int32_t kind : {1, 4}) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    FakeRegistry fake;
    for (const wchar_t* name : {L"court", L"un nom un peu plus long", L"", L"x"}) {
      fake.AddValue(kRoot, kPath, name);
    }

    Enumerate(fake, {}, 0, kind);

    const auto enumCalls = fake.CallsOf(CallKind::Enum);
    ASSERT_EQ(enumCalls.size(), 5u);  // four values, then the end
    for (const FakeRegistry::Call& call : enumCalls) {
      EXPECT_EQ(call.bufferLength, 255u) << "index " << call.index;
      EXPECT_EQ(call.dataSizeIn, 0u) << "index " << call.index;
    }
  }
}

TEST(EnumRegValues, OpensTheGivenKeyForReadingAndClosesItOnEveryWayOut) {
  struct Case {
    const char* situation;
    std::int32_t kind;
    void (*arrange)(FakeRegistry&, registry::RegRootKey, const std::wstring&);
  };
  const Case cases[] = {
      {"values", 1,
       [](FakeRegistry& fake, registry::RegRootKey root, const std::wstring& path) {
         fake.AddValue(root, path, L"A");
         fake.AddValue(root, path, L"B");
       }},
      {"empty key", 1,
       [](FakeRegistry& fake, registry::RegRootKey root, const std::wstring& path) {
         fake.AddKey(root, path);
       }},
      {"integer kind", 4,
       [](FakeRegistry& fake, registry::RegRootKey root, const std::wstring& path) {
         fake.AddValue(root, path, L"A");
       }},
      {"kind recording nothing", 12,
       [](FakeRegistry& fake, registry::RegRootKey root, const std::wstring& path) {
         fake.AddValue(root, path, L"A");
       }},
      {"enumeration failure", 1,
       [](FakeRegistry& fake, registry::RegRootKey root, const std::wstring& path) {
         fake.AddValue(root, path, L"A");
         fake.AddValue(root, path, L"B");
         fake.FailEnumAt(1, FakeRegistry::kAccessDenied);
       }},
  };
  // A root other than the one the system uses and a path with blanks and accents: both
  // must reach the registry unchanged.
  const registry::RegRootKey root = 0x80000002;  // HKEY_LOCAL_MACHINE
  const std::wstring path = L"Software\\Société X\\Clé  avec blancs ";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    FakeRegistry fake;
    c.arrange(fake, root, path);
    Module1 module1(fake);
    ValueNameArray names;
    std::int32_t count = 0;

    EXPECT_NO_THROW(module1.EnumRegValues(root, path, names, count, c.kind));

    const auto opens = fake.CallsOf(CallKind::Open);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].root, root);
    EXPECT_EQ(opens[0].path, path);
    EXPECT_EQ(opens[0].options, 0u);
    EXPECT_EQ(opens[0].access, 0x20019u);  // KEY_READ
    EXPECT_EQ(opens[0].status, 0);
    for (const auto& call : fake.CallsOf(CallKind::Enum)) EXPECT_EQ(call.key, opens[0].key);
    const auto closes = fake.CallsOf(CallKind::Close);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].key, opens[0].key);
    EXPECT_EQ(fake.Calls().back().kind, CallKind::Close);
    EXPECT_TRUE(fake.OpenHandles().empty());
  }
}

namespace {

struct DeleteCase {
  const char* situation;
  std::wstring name;
  void (*arrange)(FakeRegistry&);
  std::vector<std::wstring> namesAfter;
};

}  // namespace

TEST(DeleteRegValue, DeletesTheNamedValueOrSilentlyNothingAndAlwaysClosesTheKey) {
  const auto threeValues = [](FakeRegistry& fake) {
    fake.AddValue(kRoot, kPath, L"");
    fake.AddValue(kRoot, kPath, L"Imprimante");
    fake.AddValue(kRoot, kPath, L"Imprimante  ");
  };
  const DeleteCase cases[] = {
      {"existing value", L"Imprimante", threeValues, {L"", L"Imprimante  "}},
      {"existing value with trailing blanks", L"Imprimante  ", threeValues, {L"", L"Imprimante"}},
      {"default value", L"", threeValues, {L"Imprimante", L"Imprimante  "}},
      {"missing value", L"Absente", threeValues, {L"", L"Imprimante", L"Imprimante  "}},
      {"name differing only in case: the registry ignores case", L"IMPRIMANTE", threeValues,
       {L"", L"Imprimante  "}},
      {"refused deletion",
       L"Imprimante",
       [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"Imprimante");
         fake.RefuseDelete(L"Imprimante");
       },
       {L"Imprimante"}},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.situation);
    FakeRegistry fake;
    c.arrange(fake);
    Module1 module1(fake);

    EXPECT_NO_THROW(module1.DeleteRegValue(kRoot, kPath, c.name));

    EXPECT_EQ(fake.ValueNames(kRoot, kPath), c.namesAfter);
    const auto opens = fake.CallsOf(CallKind::Open);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].root, kRoot);
    EXPECT_EQ(opens[0].path, kPath);
    EXPECT_EQ(opens[0].options, 0u);
    EXPECT_EQ(opens[0].access, 0x0002u);  // KEY_SET_VALUE, all a deletion needs
    const auto deletes = fake.CallsOf(CallKind::Delete);
    ASSERT_EQ(deletes.size(), 1u);
    EXPECT_EQ(deletes[0].key, opens[0].key);
    EXPECT_EQ(deletes[0].name, c.name);
    const auto closes = fake.CallsOf(CallKind::Close);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].key, opens[0].key);
    EXPECT_EQ(fake.Calls().size(), 3u);  // open, delete, close
    EXPECT_TRUE(fake.OpenHandles().empty());
  }
}

TEST(DeleteRegValue, KeyThatCannotBeOpenedForWritingMeansNoDeletionAttempted) {
  struct Case {
    const char* situation;
    void (*arrange)(FakeRegistry&);
    bool keyExistsAfter;
  };
  const Case cases[] = {
      {"missing key", [](FakeRegistry&) {}, false},
      {"write access refused",
       [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"Imprimante");
         fake.RefuseAccess(registry::kKeySetValue);
       },
       true},
      {"open answers -1",
       [](FakeRegistry& fake) {
         fake.AddValue(kRoot, kPath, L"Imprimante");
         fake.RefuseOpens(-1);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    FakeRegistry fake;
    c.arrange(fake);
    Module1 module1(fake);

    EXPECT_NO_THROW(module1.DeleteRegValue(kRoot, kPath, L"Imprimante"));

    EXPECT_EQ(fake.HasKey(kRoot, kPath), c.keyExistsAfter);
    if (c.keyExistsAfter) {
      EXPECT_EQ(fake.ValueNames(kRoot, kPath), std::vector<std::wstring>{L"Imprimante"});
    }
    ASSERT_EQ(fake.Calls().size(), 1u);  // the open, and nothing after it
    EXPECT_EQ(fake.Calls()[0].kind, CallKind::Open);
    EXPECT_EQ(fake.Calls()[0].access, 0x0002u);
  }
}

TEST(Module1, EachCallOpensItsOwnHandleAndKeepsNoneBetweenCalls) {
  FakeRegistry fake;
  fake.AddValue(kRoot, kPath, L"A");
  fake.AddValue(kRoot, kPath, L"B");
  Module1 module1(fake);
  ValueNameArray names;
  std::int32_t count = 0;

  module1.EnumRegValues(kRoot, kPath, names, count, kText);
  module1.DeleteRegValue(kRoot, kPath, L"A");
  module1.EnumRegValues(kRoot, kPath, names, count, kText);

  EXPECT_EQ(count, 1);
  EXPECT_EQ(names, Texts({L"B"}));
  const auto opens = fake.CallsOf(CallKind::Open);
  const auto closes = fake.CallsOf(CallKind::Close);
  ASSERT_EQ(opens.size(), 3u);
  ASSERT_EQ(closes.size(), 3u);
  for (std::size_t i = 0; i < opens.size(); ++i) EXPECT_EQ(closes[i].key, opens[i].key);
  EXPECT_TRUE(fake.OpenHandles().empty());
}
