#pragma once
// The registry module: list the value names under a key, delete a named value.
// Every call opens the key itself and closes it before returning. A registry failure is
// never an error: nothing is raised or shown. An enumeration silently does less; a deletion
// tells its caller whether the value is gone.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "registry/RegistryApi.h"

namespace registry {

// One element of the value-name array: a text, or a 32-bit integer for the integer kinds.
using RegValueName = std::variant<std::wstring, std::int32_t>;
// Growable, zero-based, owned by the caller.
using ValueNameArray = std::vector<RegValueName>;

// The registry enumerates names through a buffer of this many UTF-16 units: a name of 254
// units is returned whole; one of 255 or more ends the enumeration at that value.
inline constexpr std::uint32_t kNameBufferLength = 255;
// The longest value name the registry allows, in UTF-16 units.
inline constexpr std::uint32_t kLongestValueName = 16383;

// Whether the registry's deletion by name can address this value exactly. A value name may
// hold a NUL character (the native API can make one), but the name is passed as a C string,
// which ends at the first NUL: "Foo<NUL>bar" would delete "Foo".
bool IsExactlyAddressable(const std::wstring& valueName);

// What became of one deletion.
struct DeletionResult {
  // Deleted now, or already absent (the key or the value not found): the value is not there.
  bool gone = false;
  // Deleted by this call; false when it was already absent.
  bool deletedNow = false;
  // Why the value is still there, when it is: the Win32 status of the refused step.
  RegStatus status = kErrorSuccess;
};

class Module1 {
 public:
  explicit Module1(RegistryApi& api) : api_(api) {}

  // Records into names one element per value under root\keyPath, in the registry's order,
  // and the number recorded into count. kind selects what is recorded: 1, 2, 6, 7 the
  // names as texts; 0, 3, 4, 5, 8 to 11 one integer 0 per value; anything else nothing.
  // When the key cannot be opened, names and count are left exactly as passed.
  void EnumRegValues(RegRootKey root, const std::wstring& keyPath, ValueNameArray& names,
                     std::int32_t& count, std::int32_t kind);

  // Every value name under root\keyPath, in the registry's order, through a buffer that holds
  // the longest name the registry allows. True when the key was read whole, or is not there;
  // false when it cannot be read or its enumeration failed part-way (the names read before
  // the failure are kept).
  bool ReadValueNames(RegRootKey root, const std::wstring& keyPath, std::vector<std::wstring>& names);

  // The value name as the registry compares names (see RegistryApi::ComparisonKey).
  std::wstring ComparisonKey(const std::wstring& valueName) { return api_.ComparisonKey(valueName); }

  // Deletes the value valueName under root\keyPath; the empty name is the default value.
  // The key is opened only to set values, all a deletion needs: a key that lets the user
  // change its values but not add subkeys still gives them up.
  // A name that cannot be given to the registry exactly is refused: nothing is done, and the
  // value is not gone (ERROR_INVALID_PARAMETER).
  // The texts are taken by reference: a cleanup's deletions make no copy, so running out of
  // memory cannot stop one halfway.
  DeletionResult DeleteRegValue(RegRootKey root, const std::wstring& keyPath, const std::wstring& valueName);

  // Whether values under root\keyPath may be deleted: the key is opened to set values, as a
  // deletion opens it, and closed. Windows checks that right when the key is opened, not per
  // value. 0 when it is granted, or when the key is not there (nothing to refuse); otherwise
  // the status of the refused open.
  RegStatus DeletionRefusal(RegRootKey root, const std::wstring& keyPath);

 private:
  RegistryApi& api_;
};

}  // namespace registry
