// The registry module on the real registry, in a scratch key under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include "registry/Module1.h"
#include "registry/win32/Win32Registry.h"
#include "support/ScratchKey.h"

namespace {

constexpr wchar_t kScratchPath[] = L"Software\\PrinterCleanupTests\\Registry";

std::vector<std::wstring> EnumeratedTexts(const std::wstring& path) {
  registry::Win32Registry api;
  registry::Module1 module1(api);
  registry::ValueNameArray names;
  std::int32_t count = 0;
  module1.EnumRegValues(registry::kHkeyCurrentUser, path, names, count, 1);
  std::vector<std::wstring> texts;
  for (const auto& name : names) texts.push_back(std::get<std::wstring>(name));
  EXPECT_EQ(static_cast<std::size_t>(count), texts.size());
  return texts;
}

}  // namespace

TEST(RegistryOnWine, NamesComeBackExactlyAsTheRegistryHoldsThem) {
  wine_test::ScratchKey key(kScratchPath);
  key.SetString(L"", L"default");
  key.SetDword(L"Compteur", 7);
  key.SetString(L"Imprimante  ", L"winspool,Ne00:");
  key.SetString(L"HP LaserJet MiXeD", L"winspool,Ne01:");
  key.SetString(L"\\\\SERVER\\Queue", L"winspool,Ne02:");
  key.SetString(L"Imprimante Été 東京", L"winspool,Ne03:");

  EXPECT_EQ(EnumeratedTexts(kScratchPath), wine_test::ValueNames(kScratchPath));
  const auto texts = EnumeratedTexts(kScratchPath);
  for (const wchar_t* expected : {L"", L"Compteur", L"Imprimante  ", L"HP LaserJet MiXeD",
                                  L"\\\\SERVER\\Queue", L"Imprimante Été 東京"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end())
        << testing::PrintToString(std::wstring(expected));
  }
}
