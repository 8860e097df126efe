#pragma once
// The record a run leaves for the administrators who deploy it: the Windows Application event
// log in the program, a recording stand-in in the unit tests. The program writes no file of
// its own; this is where Windows administrators already collect what programs did.
#include <cstdint>
#include <string>
#include <vector>

class EventLog {
 public:
  // The event ids, as the program's message table numbers their sentences.
  enum class Event : std::uint16_t {
    Deleted = 1,     // information: the count, then the deleted names, one per line
    NotDeleted = 2,  // warning: the count, the names, the first refusal's code and the system's text
    Error = 3,       // error: the text of the error report
  };

  // The event log takes at most this many characters in one event's strings. Longer lists of
  // names are cut, and their last line counts the names left out.
  static constexpr std::size_t kMaxCharacters = 31839;

  virtual ~EventLog() = default;

  // Writes one event with these insertion strings. Best effort: a record that cannot be
  // written changes nothing of what is deleted, shown or returned.
  virtual void Write(Event event, const std::vector<std::wstring>& insertionStrings) noexcept = 0;
};
