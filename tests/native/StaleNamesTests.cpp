#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/StaleNames.h"

namespace {

// The comparison as the cleanup describes it: for every registry name, walk the whole
// printer list and compare each pair exactly; a name that met no equal is stale.
std::vector<std::int16_t> PairwiseStaleIndices(const std::vector<std::wstring>& registryNames,
                                               const std::vector<std::wstring>& printerNames) {
  std::vector<std::int16_t> stale;
  for (std::size_t i = 0; i < registryNames.size(); ++i) {
    bool found = false;
    for (std::size_t j = 0; j < printerNames.size(); ++j) {
      if (registryNames[i] == printerNames[j]) found = true;
    }
    if (!found) stale.push_back(static_cast<std::int16_t>(i));
  }
  return stale;
}

// A name drawn from a small pool, so that lists share names, repeat them, and hold
// near-misses of each other: case variants, trailing and leading blanks, the empty name.
class NameDrawer {
 public:
  explicit NameDrawer(std::uint32_t seed) : random_(seed) {}

  std::wstring Draw() {
    static const wchar_t* const kStems[] = {
        L"HP LaserJet 4250", L"\\\\SERVER\\Queue", L"Canon iR", L"Imprimante Été", L"PDF",
        L"Microsoft XPS Document Writer", L"A", L"a", L"東京",
    };
    const auto pick = [this](std::size_t n) {
      return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    };
    if (pick(12) == 0) return L"";
    std::wstring name = kStems[pick(std::size(kStems))];
    switch (pick(6)) {
      case 0: FlipCaseOfOneLetter(name, pick(name.size())); break;
      case 1: name += L' '; break;
      case 2: name.insert(name.begin(), L' '); break;
      case 3: name += L"\t"; break;
      default: break;  // the stem itself, most often, so that many names match
    }
    return name;
  }

  std::vector<std::wstring> DrawList(std::size_t maxLength) {
    std::vector<std::wstring> names(
        std::uniform_int_distribution<std::size_t>(0, maxLength)(random_));
    for (std::wstring& name : names) name = Draw();
    return names;
  }

 private:
  static void FlipCaseOfOneLetter(std::wstring& name, std::size_t at) {
    for (std::size_t k = 0; k < name.size(); ++k) {
      wchar_t& c = name[(at + k) % name.size()];
      if (c >= L'a' && c <= L'z') { c = static_cast<wchar_t>(c - L'a' + L'A'); return; }
      if (c >= L'A' && c <= L'Z') { c = static_cast<wchar_t>(c - L'A' + L'a'); return; }
    }
  }

  std::mt19937 random_;
};

}  // namespace

TEST(StaleNames, GiveExactlyWhatTheWholePairwiseComparisonGivesOnRandomLists) {
  NameDrawer drawer(20240611);
  std::size_t staleSeen = 0;
  std::size_t keptSeen = 0;
  for (int round = 0; round < 5000; ++round) {
    const std::vector<std::wstring> registryNames = drawer.DrawList(24);
    const std::vector<std::wstring> printerNames = drawer.DrawList(12);
    const std::vector<std::int16_t> expected = PairwiseStaleIndices(registryNames, printerNames);
    ASSERT_EQ(StaleNameIndices(registryNames, printerNames), expected)
        << "round " << round << "\nregistry: " << testing::PrintToString(registryNames)
        << "\nprinters: " << testing::PrintToString(printerNames);
    staleSeen += expected.size();
    keptSeen += registryNames.size() - expected.size();
  }
  // The pool is small enough that both outcomes occur often; otherwise the rounds above
  // would prove little.
  EXPECT_GT(staleSeen, 10000u);
  EXPECT_GT(keptSeen, 5000u);
}

TEST(StaleNames, MatchOnlyTheWholeTextWithTheSameCaseAndNoTrimming) {
  struct Case {
    const wchar_t* registryName;
    std::vector<std::wstring> printerNames;
    bool stale;
  };
  const Case cases[] = {
      {L"HP LaserJet", {L"HP LaserJet"}, false},
      {L"HP LaserJet", {L"hp laserjet"}, true},
      {L"HP LaserJet", {L"HP Laserjet"}, true},
      {L"HP LaserJet ", {L"HP LaserJet"}, true},
      {L"HP LaserJet", {L"HP LaserJet "}, true},
      {L" HP LaserJet", {L"HP LaserJet"}, true},
      {L"HP LaserJet", {L"HP LaserJet 4250"}, true},
      {L"HP LaserJet 4250", {L"HP LaserJet"}, true},
      {L"Imprimante Été", {L"Imprimante été"}, true},
      {L"Imprimante Été", {L"Imprimante Ete"}, true},
      {L"\\\\SERVER\\Queue", {L"\\\\server\\queue"}, true},
      {L"\\\\SERVER\\Queue", {L"Autre", L"\\\\SERVER\\Queue"}, false},
      {L"", {L"HP LaserJet"}, true},
      {L"", {L" "}, true},
      {L"", {L""}, false},
      {L"X", {}, true},
  };
  for (const Case& c : cases) {
    const std::vector<std::int16_t> stale = StaleNameIndices({c.registryName}, c.printerNames);
    EXPECT_EQ(stale, c.stale ? std::vector<std::int16_t>{0} : std::vector<std::int16_t>{})
        << "registry name " << testing::PrintToString(std::wstring(c.registryName))
        << " against " << testing::PrintToString(c.printerNames);
  }
}

TEST(StaleNames, KeepRegistryOrderAndListARepeatedStaleNameEachTime) {
  const std::vector<std::wstring> registryNames = {L"Vieille", L"Active", L"Vieille", L"", L"Autre"};
  const std::vector<std::wstring> printerNames = {L"Active", L"Active", L"Inconnue"};
  EXPECT_EQ(StaleNameIndices(registryNames, printerNames), (std::vector<std::int16_t>{0, 2, 3, 4}));
}

TEST(StaleNames, IndexTheLastOfAFullListOf32767Names) {
  std::vector<std::wstring> registryNames;
  for (int i = 0; i < 32767; ++i) registryNames.push_back(L"Imprimante " + std::to_wstring(i));
  std::vector<std::wstring> printerNames(registryNames.begin(), registryNames.end() - 1);
  EXPECT_EQ(StaleNameIndices(registryNames, printerNames), (std::vector<std::int16_t>{32766}));
  EXPECT_EQ(StaleNameIndices(registryNames, {}).size(), 32767u);
}
