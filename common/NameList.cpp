#include "common/NameList.h"

#include "common/AppError.h"

namespace {
constexpr std::uint32_t kErrorInsufficientBuffer = 122;  // the list cannot take one more entry
constexpr std::uint32_t kErrorInvalidIndex = 1413;       // ERROR_INVALID_INDEX
}  // namespace

void NameList::Clear() {
  items_.clear();
  ++generation_;
}

const std::wstring& NameList::List(std::int16_t index) const {
  if (index < 0 || index >= ListCount()) {
    throw AppError(L"lecture de l'entrée " + std::to_wstring(index) + L" de la liste " +
                       controlName_ + L" : indice hors limites",
                   kErrorInvalidIndex);
  }
  return items_[static_cast<std::size_t>(index)];
}

void NameList::AddItem(std::wstring text) {
  if (ListCount() == kMaxCount) {
    throw AppError(L"ajout à la liste " + controlName_ + L" refusé : elle contient déjà " +
                       std::to_wstring(kMaxCount) + L" entrées, le maximum",
                   kErrorInsufficientBuffer);
  }
  items_.push_back(std::move(text));
}
