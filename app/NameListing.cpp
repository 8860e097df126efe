#include "app/NameListing.h"

#include "app/Messages.h"

namespace {

// C0 and C1 controls and DEL, the Arabic letter mark, the left-to-right and right-to-left marks,
// the line and paragraph separators, the embeddings, overrides and isolates.
bool HiddenOrLineBreaking(wchar_t c) {
  return c < L' ' || (c >= L'\x7F' && c <= L'\x9F') || c == L'\x61C' || c == L'\x200E' || c == L'\x200F' ||
         (c >= L'\x2028' && c <= L'\x202E') || (c >= L'\x2066' && c <= L'\x2069');
}

std::wstring MoreNamesLine(std::size_t leftOut) {
  return messages::kMoreNames + std::to_wstring(leftOut) +
         (leftOut == 1 ? messages::kOtherName : messages::kOtherNames);
}

}  // namespace

std::vector<std::wstring> ListingLines(const std::vector<std::wstring>& names) {
  std::vector<std::wstring> lines = names;
  for (std::wstring& line : lines) {
    for (wchar_t& c : line) {
      if (HiddenOrLineBreaking(c)) c = L'?';
    }
  }
  return lines;
}

std::wstring ListingBoxText(const ListingBox& box, std::size_t shown) {
  std::wstring lines;
  for (std::size_t k = 0; k < shown; ++k) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t-";
    lines += box.names[k];
  }
  if (const std::size_t leftOut = box.names.size() - shown; leftOut > 0) {
    if (!lines.empty()) lines += L"\r\n";
    lines += L"\t" + MoreNamesLine(leftOut) + box.moreNamesSuffix;
  }
  return box.header + (L"\r\n" + lines) + L"\r\n" + box.footer;
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
