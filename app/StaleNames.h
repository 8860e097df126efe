#pragma once
// Which registered device names match no installed printer.
#include <cstdint>
#include <string>
#include <vector>

// Indices into registryNames, in their order, of every name that is equal to no entry of
// printerNames. Equality is exact: same length and characters, case-sensitive, no trimming.
// Duplicates are kept: a stale name listed twice is reported twice. Linear time, so that
// 32767 names on each side take milliseconds rather than a billion comparisons.
std::vector<std::int16_t> StaleNameIndices(const std::vector<std::wstring>& registryNames,
                                           const std::vector<std::wstring>& printerNames);
