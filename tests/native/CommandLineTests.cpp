#include <gtest/gtest.h>

#include "app/CommandLine.h"

TEST(CommandLine, OnlySlashSQOrLLowerCaseAloneSelectsTheirModesTrailingBlanksDropped) {
  constexpr StartMode kSilent = StartMode::Silent, kQuiet = StartMode::Quiet, kPreview = StartMode::Preview,
                      kWindow = StartMode::Interactive;
  struct Case {
    const wchar_t* argumentText;
    StartMode mode;
  };
  const Case cases[] = {
      {L"/s", kSilent},        {L"", kWindow},          {L"/S", kWindow},        {L"-s", kWindow},
      {L"/silent", kWindow},   {L"/s x", kWindow},      {L"/s ", kSilent},       {L" /s", kWindow},
      {L"\"/s\"", kWindow},    {L"s", kWindow},         {L"//s", kWindow},       {L"/s\t", kSilent},
      {L"/s  ", kSilent},      {L"/s \t ", kSilent},    {L"/s\r", kWindow},      {L"/l", kPreview},
      {L"/l ", kPreview},      {L"/L", kWindow},        {L"/l x", kWindow},      {L"/l/s", kWindow},
      {L"/q", kQuiet},         {L"/q \t", kQuiet},      {L"/Q", kWindow},        {L"/q x", kWindow},
      {L"/quiet", kWindow},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartModeOf(c.argumentText), c.mode) << "argument text: [" << testing::PrintToString(std::wstring(c.argumentText)) << "]";
  }
}

TEST(CommandLine, ArgumentTextIsWhatFollowsTheProgramPathQuotedOrNot) {
  struct Case {
    const wchar_t* commandLine;
    const wchar_t* argumentText;
  };
  const Case cases[] = {
      {L"\"C:\\Program Files\\Outils\\app.exe\" /s", L"/s"},
      {L"C:\\Outils\\app.exe /s", L"/s"},
      {L"app.exe   /s", L"/s"},
      {L"app.exe\t/s", L"/s"},
      {L"\"C:\\a b\\app.exe\"", L""},
      {L"app.exe", L""},
      {L"app.exe /s x", L"/s x"},
      {L"\"C:\\a b\\app.exe\" /S", L"/S"},
      {L"\"C:\\a b\\app.exe\"/s", L"/s"},
      {L"app.exe /s ", L"/s "},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArgumentText(c.commandLine), std::wstring(c.argumentText))
        << "command line: " << testing::PrintToString(std::wstring(c.commandLine));
  }
}
