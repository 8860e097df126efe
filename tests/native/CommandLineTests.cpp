#include <gtest/gtest.h>

#include "app/CommandLine.h"

TEST(CommandLine, OnlyTheExactTextSlashSSelectsSilentMode) {
  struct Case {
    const wchar_t* argumentText;
    bool silent;
  };
  const Case cases[] = {
      {L"/s", true},        {L"", false},      {L"/S", false},       {L"-s", false},
      {L"/silent", false},  {L"/s x", false},  {L"/s ", false},      {L" /s", false},
      {L"\"/s\"", false},   {L"s", false},     {L"//s", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSilentArgument(c.argumentText), c.silent) << "argument text: [" << testing::PrintToString(std::wstring(c.argumentText)) << "]";
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
