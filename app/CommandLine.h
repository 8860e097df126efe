#pragma once
// The command line, as the program sees it: the argument text after the program's own path.
#include <string>

// The argument part of a full Windows command line (as GetCommandLineW gives it): the
// program path, quoted or not, and the blanks after it are removed; the rest is kept as is.
std::wstring ArgumentText(const std::wstring& fullCommandLine);

// How a run goes, from its argument text.
enum class StartMode {
  Interactive,  // the window
  Silent,       // "/s": the cleanup at start-up, no window, no message but an error's report
  Quiet,        // "/q": the cleanup of "/s", whose error report goes to the event log and the
                // standard error, never to a box
  Preview,      // "/l": the names "/s" would delete, on the standard output; nothing deleted
};

// "/s", "/q" and "/l", lower case and alone, select their modes; everything else is interactive.
// Blanks after the argument are not part of it: cmd keeps the one before a redirection
// ("/s >nul" gives "/s "), and an editor may leave one at the end of a batch line.
StartMode StartModeOf(const std::wstring& argumentText);
