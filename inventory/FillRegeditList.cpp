#include "inventory/DevicesKey.h"
#include "inventory/Inventories.h"

namespace inventory {
namespace {
constexpr std::int32_t kRecordNamesAsText = 1;  // REG_SZ
}  // namespace

void FillRegeditList(registry::Module1& module1, NameList& lstRegedit) {
  registry::ValueNameArray names;
  std::int32_t count = 0;
  module1.EnumRegValues(kDevicesRoot, kDevicesKeyPath, names, count, kRecordNamesAsText);
  for (std::int32_t i = 0; i < count; ++i) {
    lstRegedit.AddItem(std::get<std::wstring>(names[static_cast<std::size_t>(i)]));
  }
}

}  // namespace inventory
