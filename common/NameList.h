#pragma once
// A name list: the ordered, unsorted strings a list box holds. Entries are appended at the
// end and addressed by a zero-based index; count and indices are 16-bit signed, so a list
// holds at most 32767 entries and a further append is refused with an error.
#include <cstdint>
#include <string>
#include <vector>

class NameList {
 public:
  static constexpr std::int16_t kMaxCount = 32767;

  explicit NameList(std::wstring controlName) : controlName_(std::move(controlName)) {}

  void Clear();
  std::int16_t ListCount() const { return static_cast<std::int16_t>(items_.size()); }
  const std::wstring& List(std::int16_t index) const;  // throws AppError when out of range
  void AddItem(std::wstring text);                     // throws AppError past kMaxCount

  // Lets a view that mirrors the list know it was cleared since it last looked.
  std::uint32_t Generation() const { return generation_; }
  const std::vector<std::wstring>& Items() const { return items_; }
  const std::wstring& ControlName() const { return controlName_; }

 private:
  std::wstring controlName_;
  std::vector<std::wstring> items_;
  std::uint32_t generation_ = 0;
};
