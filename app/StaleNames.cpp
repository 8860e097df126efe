#include "app/StaleNames.h"

#include <string_view>
#include <unordered_set>

std::vector<std::int16_t> StaleNameIndices(const std::vector<std::wstring>& registryNames,
                                           const std::vector<std::wstring>& printerNames) {
  std::unordered_set<std::wstring_view> installed;
  installed.reserve(printerNames.size());
  for (const std::wstring& printer : printerNames) installed.insert(printer);

  std::vector<std::int16_t> stale;
  for (std::size_t i = 0; i < registryNames.size(); ++i) {
    if (!installed.contains(registryNames[i])) stale.push_back(static_cast<std::int16_t>(i));
  }
  return stale;
}
