#pragma once
// Lists of names in the program's messages and records: one name per line, cut short when
// the room runs out, with one last line that counts the names left out.
#include <cstddef>
#include <string>
#include <vector>

#include "app/WindowSystem.h"

// A message box that lists names: the header line, one line TAB "-" name per name, the footer
// line. moreNamesSuffix ends the line that counts the names left out, when some are.
struct ListingBox {
  const std::vector<std::wstring>& names;
  std::wstring header;
  std::wstring footer;
  std::wstring moreNamesSuffix;
  int style;
};

// The box's text with the first `shown` names.
std::wstring ListingBoxText(const ListingBox& box, std::size_t shown);

// The whole text when the screen holds it; otherwise as many names as it holds, in order, and
// the count of the others, so that the footer and the buttons stay on the screen.
std::wstring ListingBoxTextThatFits(WindowSystem& window, const ListingBox& box);

// The names as a preview lists them, one line each, on a console: a character that would break
// the line or change how the rest of it reads (a control, a line or paragraph separator, a
// bidirectional control such as U+202E) is written as '?'. Only the listing changes: each value
// is still deleted by its real name.
std::vector<std::wstring> ListingLines(const std::vector<std::wstring>& names);

// The names one per line, as many as fit in maxLength characters; when some are left out,
// the last line says how many ("… et 3 autres"). The result is never longer than maxLength.
std::wstring NameLinesUpTo(const std::vector<std::wstring>& names, std::size_t maxLength);
