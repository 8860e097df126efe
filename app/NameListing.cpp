#include "app/NameListing.h"

#include "app/Messages.h"

namespace {

// The general categories Cc, Cf, Zl and Zp, as ranges of code points. U+2065, unassigned, is
// taken with the format characters around it, as invisible as they are.
struct CodePoints {
  char32_t first;
  char32_t last;
};
constexpr CodePoints kNotShown[] = {
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},
    {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0000, 0xE007F},
};

bool Shown(char32_t c) {
  for (const CodePoints& range : kNotShown) {
    if (c >= range.first && c <= range.last) return false;
  }
  return true;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::wstring MoreNamesLine(std::size_t leftOut) {
  return messages::kMoreNames + std::to_wstring(leftOut) +
         (leftOut == 1 ? messages::kOtherName : messages::kOtherNames);
}

}  // namespace

std::wstring ShownName(const std::wstring& name) {
  std::wstring shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i];
    if (IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
      const char32_t codePoint = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      if (Shown(codePoint)) shown.append(name, i, 2);
      else shown += L'?';
      ++i;
    } else {
      shown += IsHighSurrogate(c) || IsLowSurrogate(c) || !Shown(static_cast<char32_t>(c)) ? L'?' : c;
    }
  }
  return shown;
}

std::vector<std::wstring> ListingLines(const std::vector<std::wstring>& names) {
  std::vector<std::wstring> lines;
  lines.reserve(names.size());
  for (const std::wstring& name : names) lines.push_back(ShownName(name));
  return lines;
}

std::wstring ListingBoxText(const ListingBox& box, std::size_t shown) {
  std::wstring lines;
  for (std::size_t k = 0; k < shown; ++k) {
    if (k == box.firstOrphan && k > 0) lines += L"\r\n" + box.orphansHeading;
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t-";
    lines += ShownName(box.names[k]);
  }
  if (const std::size_t leftOut = box.names.size() - shown; leftOut > 0) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t" + MoreNamesLine(leftOut) + box.moreNamesSuffix;
  }
  return (box.firstOrphan == 0 ? box.orphansHeading : box.header) + (L"\r\n" + lines) + L"\r\n" + box.footer;
}

// Lengths are tried doubling from one name, then halving the gap: a list of thousands is never
// measured whole, and a dozen small texts are.
std::wstring ListingBoxTextThatFits(WindowSystem& window, const ListingBox& box) {
  const auto fits = [&](std::size_t shown) {
    return window.MsgBoxFitsOnScreen(ListingBoxText(box, shown), box.style);
  };
  const std::size_t count = box.names.size();
  std::size_t fitting = 0;       // shown names known to fit
  std::size_t tooMany = count;   // shown names known not to fit
  for (std::size_t shown = 1;; shown *= 2) {
    if (shown >= count) {
      if (fits(count)) return ListingBoxText(box, count);
      break;
    }
    if (!fits(shown)) {
      tooMany = shown;
      break;
    }
    fitting = shown;
  }
  while (tooMany - fitting > 1) {
    const std::size_t middle = (fitting + tooMany) / 2;
    (fits(middle) ? fitting : tooMany) = middle;
  }
  return ListingBoxText(box, fitting);
}

std::wstring NameLinesUpTo(const std::vector<std::wstring>& names, std::size_t maxLength) {
  std::wstring lines;
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::size_t withName = lines.size() + (k > 0 ? 2 : 0) + names[k].size();
    // Room is kept for the line that counts the others, unless this is the last name.
    const std::size_t needed = k + 1 == names.size() ? withName : withName + 2 + MoreNamesLine(names.size()).size();
    if (needed > maxLength) {
      const std::wstring more = (k > 0 ? L"\r\n" : L"") + MoreNamesLine(names.size() - k);
      return lines.size() + more.size() <= maxLength ? lines + more : lines;
    }
    if (k > 0) lines += L"\r\n";
    lines += names[k];
  }
  return lines;
}
