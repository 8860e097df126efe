// The registry module on the real registry, in a scratch key under HKEY_CURRENT_USER.
// Wine enumerates values in its own order (sorted by name), so names are compared with what
// a direct enumeration of the same key returns, in that order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry/Module1.h"
#include "registry/win32/Win32Registry.h"
#include "support/ScratchKey.h"

namespace {

constexpr wchar_t kScratchPath[] = L"Software\\PrinterCleanupTests\\Registry";
constexpr std::int32_t kText = 1;  // REG_SZ

struct Enumerated {
  registry::ValueNameArray names;
  std::int32_t count;
};

Enumerated Enumerate(const std::wstring& path, registry::ValueNameArray names = {},
                     std::int32_t count = 0) {
  registry::Win32Registry api;
  registry::Module1 module1(api);
  EXPECT_NO_THROW(module1.EnumRegValues(registry::kHkeyCurrentUser, path, names, count, kText));
  return {std::move(names), count};
}

std::vector<std::wstring> EnumeratedTexts(const std::wstring& path) {
  const Enumerated result = Enumerate(path);
  std::vector<std::wstring> texts;
  for (const auto& name : result.names) texts.push_back(std::get<std::wstring>(name));
  EXPECT_EQ(static_cast<std::size_t>(result.count), texts.size());
  return texts;
}

void Delete(const std::wstring& path, const std::wstring& name) {
  registry::Win32Registry api;
  registry::Module1 module1(api);
  EXPECT_NO_THROW(module1.DeleteRegValue(registry::kHkeyCurrentUser, path, name));
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// What RegEnumValueW answers for the value at index, given a name buffer of bufferLength
// units: the premise of the module's 255-unit buffer.
LSTATUS EnumStatusWithBuffer(const std::wstring& path, DWORD index, DWORD bufferLength) {
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return status;
  std::vector<wchar_t> buffer(bufferLength);
  DWORD length = bufferLength;
  status = RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return status;
}

// The handles this process holds, counted in the system's handle table: Wine's
// GetProcessHandleCount always answers 0.
std::size_t OwnHandleCount() {
  struct HandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    void* object;
    ULONG access;
  };
  struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
  };
  using QuerySystemInformation = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<std::uint8_t> buffer(1 << 20);
  LONG status = 0;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr)) ==
         kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  EXPECT_EQ(status, 0) << "cannot read the system's handle table";
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  std::size_t own = 0;
  for (ULONG i = 0; status == 0 && i < table->count; ++i) own += table->entries[i].ownerProcessId == GetCurrentProcessId();
  return own;
}

}  // namespace

TEST(RegistryOnWine, NamesComeBackExactlyAsTheRegistryHoldsThem) {
  wine_test::ScratchKey key(kScratchPath);
  const std::vector<std::wstring> written = {
      L"",                         // the default value
      L"Compteur",                 // a REG_DWORD
      L"Imprimante  ",             // trailing blanks
      L"HP LaserJet MiXeD",        // mixed case
      L"\\\\SERVER\\Queue",        // a network connection
      L"Imprimante Été 東京",      // outside the ANSI code page
      L"Imprimante \U0001F5A8",    // outside the Basic Multilingual Plane: a surrogate pair
  };
  for (const std::wstring& name : written) {
    if (name == L"Compteur") {
      key.SetDword(name, 7);
    } else {
      key.SetString(name, L"winspool,Ne00:");
    }
  }

  const std::vector<std::wstring> texts = EnumeratedTexts(kScratchPath);

  EXPECT_EQ(texts, wine_test::ValueNames(kScratchPath));
  EXPECT_EQ(Sorted(texts), Sorted(written));
}

TEST(RegistryOnWine, ListsA254UnitNameWholeAndStopsAtA255UnitName) {
  wine_test::ScratchKey key(kScratchPath);
  // Wine enumerates sorted by name: the 255-unit name sorts between the others.
  const std::wstring name254 = std::wstring(254, L'C');
  const std::wstring name255 = std::wstring(255, L'M');
  for (const std::wstring& name : {std::wstring(L"Alpha"), std::wstring(L"Bravo"), name254,
                                   name255, std::wstring(L"Xray"), std::wstring(L"Zulu")}) {
    key.SetString(name, L"winspool,Ne00:");
  }
  const std::vector<std::wstring> all = wine_test::ValueNames(kScratchPath);
  ASSERT_EQ(all.size(), 6u);
  const auto at255 = std::find(all.begin(), all.end(), name255);
  ASSERT_NE(at255, all.end());
  const auto index255 = static_cast<std::size_t>(at255 - all.begin());
  ASSERT_GT(index255, 0u) << "the 255-unit name must have values enumerated before it";
  ASSERT_LT(index255, all.size() - 1) << "and after it";
  ASSERT_NE(std::find(all.begin(), at255, name254), at255) << "the 254-unit name comes first";
  // The registry's own answer to a 255-unit buffer: 234 (ERROR_MORE_DATA) at that name.
  EXPECT_EQ(EnumStatusWithBuffer(kScratchPath, static_cast<DWORD>(index255), 255), ERROR_MORE_DATA);
  EXPECT_EQ(EnumStatusWithBuffer(kScratchPath, static_cast<DWORD>(index255), 256), ERROR_SUCCESS);

  const std::vector<std::wstring> texts = EnumeratedTexts(kScratchPath);

  EXPECT_EQ(texts, std::vector<std::wstring>(all.begin(), at255));
  EXPECT_NE(std::find(texts.begin(), texts.end(), name254), texts.end());
}

TEST(RegistryOnWine, MissingOrEmptyKeyLeavesNamesAsPassed) {
  const registry::ValueNameArray fiveEarlier = {std::wstring(L"0"), std::wstring(L"1"),
                                                std::wstring(L"2"), std::wstring(L"3"),
                                                std::wstring(L"4")};
  wine_test::ScratchKey key(kScratchPath);

  // Missing: names and count untouched.
  const Enumerated missing = Enumerate(std::wstring(kScratchPath) + L"\\Absente", fiveEarlier, 42);
  EXPECT_EQ(missing.count, 42);
  EXPECT_EQ(missing.names, fiveEarlier);
  EXPECT_FALSE(KeyExists(std::wstring(kScratchPath) + L"\\Absente"));

  // Empty: count 0, names untouched.
  const Enumerated empty = Enumerate(kScratchPath, fiveEarlier, 42);
  EXPECT_EQ(empty.count, 0);
  EXPECT_EQ(empty.names, fiveEarlier);
}

TEST(RegistryOnWine, DeleteRemovesOnlyTheNamedValueAndIgnoresAMissingOne) {
  struct Case {
    const char* situation;
    std::wstring name;
    std::vector<std::wstring> remaining;
  };
  const Case cases[] = {
      {"existing value", L"Imprimante", {L"", L"Imprimante  ", L"\\\\SERVER\\Queue"}},
      {"default value", L"", {L"Imprimante", L"Imprimante  ", L"\\\\SERVER\\Queue"}},
      {"network connection", L"\\\\SERVER\\Queue", {L"", L"Imprimante", L"Imprimante  "}},
      {"missing value", L"Absente", {L"", L"Imprimante", L"Imprimante  ", L"\\\\SERVER\\Queue"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    wine_test::ScratchKey key(kScratchPath);
    for (const wchar_t* name : {L"", L"Imprimante", L"Imprimante  ", L"\\\\SERVER\\Queue"}) {
      key.SetString(name, L"winspool,Ne00:");
    }

    Delete(kScratchPath, c.name);

    EXPECT_EQ(Sorted(wine_test::ValueNames(kScratchPath)), Sorted(c.remaining));
  }
}

TEST(RegistryOnWine, DeleteUnderAMissingKeyDoesNothingAndDoesNotCreateTheKey) {
  wine_test::ScratchKey key(kScratchPath);
  key.SetString(L"Imprimante", L"winspool,Ne00:");
  const std::wstring missing = std::wstring(kScratchPath) + L"\\Absente";

  Delete(missing, L"Imprimante");

  EXPECT_FALSE(KeyExists(missing));
  EXPECT_EQ(wine_test::ValueNames(kScratchPath), std::vector<std::wstring>{L"Imprimante"});
}

TEST(RegistryOnWine, EveryCallClosesTheKeyItOpened) {
  wine_test::ScratchKey key(kScratchPath);
  constexpr int kCalls = 100;
  for (int i = 0; i < kCalls; ++i) key.SetString(L"Imprimante " + std::to_wstring(i), L"winspool,Ne00:");
  Enumerate(kScratchPath);  // whatever the first call loads stays loaded
  const std::size_t before = OwnHandleCount();
  ASSERT_GT(before, 0u) << "the handle table lists none of this process's handles";

  for (int i = 0; i < kCalls; ++i) {
    Enumerate(kScratchPath);
    Delete(kScratchPath, L"Imprimante " + std::to_wstring(i));
  }

  EXPECT_EQ(OwnHandleCount(), before) << "key handles left open by " << 2 * kCalls << " calls";
  EXPECT_TRUE(wine_test::ValueNames(kScratchPath).empty());
}
