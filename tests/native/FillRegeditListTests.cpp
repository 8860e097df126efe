// Filling lstRegedit from the Devices key, against the in-memory registry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/AppError.h"
#include "common/NameList.h"
#include "inventory/Inventories.h"
#include "support/FakeRegistry.h"

namespace {

using CallKind = FakeRegistry::CallKind;

// Spelled out here rather than taken from the product's constant, so a typo there shows.
constexpr registry::RegRootKey kHkcu = 0x80000001;
const std::wstring kDevices = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";

std::vector<std::wstring> Fill(FakeRegistry& fake, NameList& lstRegedit) {
  registry::Module1 module1(fake);
  inventory::FillRegeditList(module1, lstRegedit);
  return lstRegedit.Items();
}

}  // namespace

TEST(FillRegeditList, ReadsTheDevicesKeyOfTheCurrentUserInOneEnumeration) {
  ASSERT_EQ(kDevices.size(), 52u);
  FakeRegistry fake;
  fake.AddValue(kHkcu, kDevices, L"Imprimante A");
  fake.AddValue(kHkcu, kDevices, L"Imprimante B");
  // Same path under another root, and a near-miss path under the right one: never read.
  fake.AddValue(0x80000002, kDevices, L"Machine");
  fake.AddValue(kHkcu, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices\\", L"Barre");
  NameList lstRegedit(L"lstRegedit");

  EXPECT_EQ(Fill(fake, lstRegedit), (std::vector<std::wstring>{L"Imprimante A", L"Imprimante B"}));

  const auto opens = fake.CallsOf(CallKind::Open);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].root, kHkcu);
  EXPECT_EQ(opens[0].path, kDevices);
  EXPECT_EQ(opens[0].access, 0x20019u);  // read only: filling the list changes nothing
  // One pass over indices 0, 1, then the end; the names are recorded as texts.
  const auto enums = fake.CallsOf(CallKind::Enum);
  ASSERT_EQ(enums.size(), 3u);
  for (std::uint32_t m = 0; m < enums.size(); ++m) EXPECT_EQ(enums[m].index, m);
  EXPECT_TRUE(fake.CallsOf(CallKind::Delete).empty());
  EXPECT_TRUE(fake.OpenHandles().empty());
}

TEST(FillRegeditList, AppendsEveryNameInEnumerationOrderExactlyAsDelivered) {
  const std::vector<std::wstring> names = {L"B", L"A", L"C", L"", L"Compteur", L"Imprimante  ",
                                           L"hp laserjet MIXED", L"\\\\SERVER\\Queue",
                                           L"Imprimante Été 東京"};
  FakeRegistry fake;
  for (const std::wstring& name : names) {
    fake.AddValue(kHkcu, kDevices, name,
                  name == L"Compteur" ? FakeRegistry::kRegDword : FakeRegistry::kRegSz);
  }
  NameList lstRegedit(L"lstRegedit");

  EXPECT_EQ(Fill(fake, lstRegedit), names);
}

TEST(FillRegeditList, AppendsAfterWhatTheListAlreadyHolds) {
  FakeRegistry fake;
  fake.AddValue(kHkcu, kDevices, L"B");
  fake.AddValue(kHkcu, kDevices, L"A");
  NameList lstRegedit(L"lstRegedit");
  lstRegedit.AddItem(L"Déjà là");

  EXPECT_EQ(Fill(fake, lstRegedit), (std::vector<std::wstring>{L"Déjà là", L"B", L"A"}));
}

TEST(FillRegeditList, MissingUnreadableOrEmptyKeyLeavesTheListEmpty) {
  struct Case {
    const char* situation;
    void (*arrange)(FakeRegistry&);
  };
  const Case cases[] = {
      {"missing key", [](FakeRegistry&) {}},
      {"empty key", [](FakeRegistry& fake) { fake.AddKey(kHkcu, kDevices); }},
      {"read access refused",
       [](FakeRegistry& fake) {
         fake.AddValue(kHkcu, kDevices, L"A");
         fake.RefuseAccess(registry::kKeyRead);
       }},
      {"values only under another root",
       [](FakeRegistry& fake) { fake.AddValue(0x80000002, kDevices, L"A"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    FakeRegistry fake;
    c.arrange(fake);
    NameList lstRegedit(L"lstRegedit");

    EXPECT_NO_THROW(Fill(fake, lstRegedit));

    EXPECT_EQ(lstRegedit.ListCount(), 0);
    EXPECT_TRUE(fake.OpenHandles().empty());
  }
}

TEST(FillRegeditList, EnumerationEndingEarlyListsTheNamesBeforeThatPoint) {
  struct Case {
    const char* situation;
    void (*arrange)(FakeRegistry&);
  };
  const Case cases[] = {
      {"255-unit name at index 2",
       [](FakeRegistry& fake) { fake.AddValue(kHkcu, kDevices, std::wstring(255, L'n'), 1); }},
      {"failure at index 2",
       [](FakeRegistry& fake) {
         fake.AddValue(kHkcu, kDevices, L"C");
         fake.FailEnumAt(2, FakeRegistry::kAccessDenied);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    FakeRegistry fake;
    fake.AddValue(kHkcu, kDevices, L"B");
    fake.AddValue(kHkcu, kDevices, L"A");
    c.arrange(fake);
    fake.AddValue(kHkcu, kDevices, L"Après");
    NameList lstRegedit(L"lstRegedit");

    EXPECT_NO_THROW(Fill(fake, lstRegedit));

    EXPECT_EQ(lstRegedit.Items(), (std::vector<std::wstring>{L"B", L"A"}));
  }
}

TEST(FillRegeditList, TakesUpTo32767NamesAndRaisesTheListsRefusalOfOneMore) {
  const auto devicesKeyWith = [](int count) {
    auto fake = std::make_unique<FakeRegistry>();
    for (int i = 0; i < count; ++i) {
      fake->AddValue(kHkcu, kDevices, L"Imprimante " + std::to_wstring(i));
    }
    return fake;
  };

  {
    auto fake = devicesKeyWith(32767);
    NameList lstRegedit(L"lstRegedit");
    EXPECT_NO_THROW(Fill(*fake, lstRegedit));
    EXPECT_EQ(lstRegedit.ListCount(), 32767);
    EXPECT_EQ(lstRegedit.List(32766), L"Imprimante 32766");
  }
  {
    auto fake = devicesKeyWith(32768);
    NameList lstRegedit(L"lstRegedit");
    try {
      Fill(*fake, lstRegedit);
      ADD_FAILURE() << "the 32768th append was not refused";
    } catch (const AppError& error) {
      EXPECT_EQ(error.Code(), 122u);  // ERROR_INSUFFICIENT_BUFFER, from the list
      EXPECT_NE(error.WhatFailed().find(L"lstRegedit"), std::wstring::npos);
    }
    EXPECT_EQ(lstRegedit.ListCount(), 32767);
    EXPECT_EQ(lstRegedit.List(32766), L"Imprimante 32766");
    // The enumeration itself completed and its key was closed before the appends.
    EXPECT_TRUE(fake->OpenHandles().empty());
  }
}
