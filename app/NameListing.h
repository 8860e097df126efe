#pragma once
// Lists of names in the program's messages and records: one name per line, cut short when
// the room runs out, with one last line that counts the names left out.
#include <cstddef>
#include <string>
#include <vector>

#include "app/WindowSystem.h"

// A message box that lists names: the header line, one line TAB "-" name per name, the footer
// line. moreNamesSuffix ends the line that counts the names left out, when some are. The names
// from firstOrphan on are printers of which only traces are left: they follow their own
// heading, which takes the header's place when they are all the box lists.
struct ListingBox {
  const std::vector<std::wstring>& names;
  std::wstring header;
  std::wstring footer;
  std::wstring moreNamesSuffix;
  int style;
  std::size_t firstOrphan = static_cast<std::size_t>(-1);
  std::wstring orphansHeading;
};

// A name as the program shows it where the user reads it to decide (the confirmation, the last
// message, a listing on a console): each character of the general categories Cc, Cf, Zl and Zp
// (controls, invisible format characters such as U+200B or U+202E, line and paragraph
// separators) and each lone surrogate is written '?', so that a name keeps its one line and
// never reads as another. The small list in the window shows names as they are, and each value
// is deleted by its real name.
std::wstring ShownName(const std::wstring& name);

// The box's text with the first `shown` names.
std::wstring ListingBoxText(const ListingBox& box, std::size_t shown);

// The whole text when the screen holds it; otherwise as many names as it holds, in order, and
// the count of the others, so that the footer and the buttons stay on the screen.
std::wstring ListingBoxTextThatFits(WindowSystem& window, const ListingBox& box);

// The names as a preview lists them, one line each, on a console, each as ShownName shows it.
std::vector<std::wstring> ListingLines(const std::vector<std::wstring>& names);

// The names one per line, as many as fit in maxLength characters; when some are left out,
// the last line says how many ("… et 3 autres"). The result is never longer than maxLength.
std::wstring NameLinesUpTo(const std::vector<std::wstring>& names, std::size_t maxLength);
