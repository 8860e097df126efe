#pragma once
// Printer names at list-box scale for the benchmarks: the value names of a Devices key and
// the printers an inventory reports, realistic in length and shape (local queues, \\SERVER\Queue
// connections, French accents), the same on every run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench {

struct PrinterNameSet {
  std::vector<std::wstring> registry;  // value names under the Devices key, in key order
  std::vector<std::wstring> printers;  // names the inventory reports, in its order
};

namespace detail {

inline const wchar_t* Pick(std::mt19937& random, const std::vector<const wchar_t*>& choices) {
  return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
}

// A unique name: the serial number is part of every name, in a place that depends on its kind.
inline std::wstring PrinterName(std::uint32_t serial, std::mt19937& random) {
  static const std::vector<const wchar_t*> models = {
      L"HP LaserJet Pro M404dn", L"HP Color LaserJet MFP M479fdw", L"Canon iR-ADV C5535i",
      L"Brother HL-L2350DW série", L"Xerox VersaLink C405", L"Kyocera ECOSYS P3145dn",
      L"Lexmark MS621", L"Ricoh IM C3000", L"Epson WorkForce Pro WF-C5790",
      L"Konica Minolta bizhub C258", L"Sharp MX-3071", L"OKI C532dn"};
  static const std::vector<const wchar_t*> places = {
      L"Comptabilité", L"Direction générale", L"Accueil", L"Ressources humaines",
      L"Atelier", L"Salle de réunion", L"Logistique", L"Secrétariat", L"Bureau d'études",
      L"Réception", L"Dépôt", L"Qualité"};
  static const std::vector<const wchar_t*> floors = {
      L"RDC", L"Étage 1", L"Étage 2", L"Étage 3", L"Sous-sol", L"Bâtiment B"};
  static const std::vector<const wchar_t*> servers = {
      L"SRV-IMPR01", L"PRINTSRV", L"QUORVANE-PS02", L"FS-LYON", L"SRV-ÉTAGES", L"IMPR-NANTES"};

  const std::wstring number = std::to_wstring(serial);
  switch (std::uniform_int_distribution<int>(0, 3)(random)) {
    case 0:  // a local queue named after its model and place
      return std::wstring(Pick(random, models)) + L" (" + Pick(random, places) + L" " + number + L")";
    case 1:  // a connection to a shared queue
      return std::wstring(L"\\\\") + Pick(random, servers) + L"\\" + Pick(random, places) + L"-" +
             Pick(random, floors) + L"-" + number;
    case 2:  // a connection whose queue carries the model
      return std::wstring(L"\\\\") + Pick(random, servers) + L".quorvane.local\\" + number + L" " +
             Pick(random, models);
    default:  // a local queue named by hand
      return std::wstring(L"Imprimante ") + Pick(random, places) + L" - " + Pick(random, floors) +
             L" n°" + number;
  }
}

}  // namespace detail

// registryCount registry names, of which every other one (indices 0, 2, 4...) is live, that
// is reported by the inventory; the inventory reports printerCount names, the live registry
// names first among them when printerCount is smaller than their count, then printers that
// have no registry value, shuffled together.
inline PrinterNameSet MakePrinterNames(std::size_t registryCount, std::size_t printerCount) {
  std::mt19937 random(20261208u);
  PrinterNameSet set;
  std::uint32_t serial = 1000;
  set.registry.reserve(registryCount);
  for (std::size_t i = 0; i < registryCount; ++i) {
    set.registry.push_back(detail::PrinterName(serial++, random));
  }
  set.printers.reserve(printerCount);
  for (std::size_t i = 0; i < registryCount && set.printers.size() < printerCount; i += 2) {
    set.printers.push_back(set.registry[i]);
  }
  while (set.printers.size() < printerCount) {
    set.printers.push_back(detail::PrinterName(serial++, random));
  }
  std::shuffle(set.printers.begin(), set.printers.end(), random);
  return set;
}

// count names of printers of which only traces are left (values beside the Devices key, none
// under it), as a terminal server leaves its sessions' redirected printers. Shaped as above, with
// a prefix that no name of MakePrinterNames has in any letter case ("Redirigée ") and a number
// of their own, so that none of them is a device or a printer, the same on every run.
inline std::vector<std::wstring> MakeOrphanNames(std::size_t count) {
  std::mt19937 random(20261209u);
  std::vector<std::wstring> names;
  names.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    names.push_back(L"Redirigée " + std::to_wstring(i + 1) + L" - " +
                    detail::PrinterName(static_cast<std::uint32_t>(1000 + i), random));
  }
  return names;
}

// The indices MakePrinterNames leaves stale when the inventory holds every live name.
inline std::vector<std::int16_t> ExpectedStaleIndices(std::size_t registryCount) {
  std::vector<std::int16_t> stale;
  for (std::size_t i = 1; i < registryCount; i += 2) stale.push_back(static_cast<std::int16_t>(i));
  return stale;
}

}  // namespace bench
