// Form1's start-up: the mode taken from the argument text, the order of the two list fills
// and the silent cleanup, and the limit of a name list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/NameListing.h"
#include "common/AppError.h"
#include "common/NameList.h"
#include "support/Journal.h"
#include "support/ProgramStart.h"

namespace {

std::vector<std::wstring> Names(const NameList& list) { return list.Items(); }

}  // namespace

TEST(Form1Load, InteractiveStartFillsTheWmiListThenTheRegistryListAndNothingMore) {
  ProgramStart start({L"HP LaserJet", L"Ancienne"}, {L"HP LaserJet", L"Canon"}, L"");
  start.form->Form_Load();

  EXPECT_EQ(start.journal, (Journal{"printers.query", "registry.open"}));
  EXPECT_EQ(Names(start.form->lstWMI), (std::vector<std::wstring>{L"HP LaserJet", L"Canon"}));
  EXPECT_EQ(Names(start.form->lstRegedit), (std::vector<std::wstring>{L"HP LaserJet", L"Ancienne"}));
  EXPECT_EQ(start.form->lstSuppr.ListCount(), 0);
  EXPECT_EQ(start.form->SilentMode, 0);
  EXPECT_TRUE(start.window.boxes.empty());
  EXPECT_EQ(start.window.unloads, 0);
  EXPECT_EQ(start.window.ends, 0);
}

TEST(Form1Load, SilentStartFillsBothListsThenCleansUpThenUnloadsWithoutAnyMessage) {
  ProgramStart start({L"HP LaserJet", L"Ancienne"}, {L"HP LaserJet"}, L"/s");
  start.form->Form_Load();

  EXPECT_EQ(start.journal, (Journal{"printers.query", "registry.open",  // the two fills
                                    "registry.open", "registry.open", "registry.open", "registry.open",  // the four keys read
                                    "registry.open", "registry.open", "registry.open", "registry.open",  // may values go?
                                    "registry.open", "registry.delete",  // the one stale name, which has no other value
                                    "eventlog.write", "window.unload"}));
  EXPECT_EQ(start.form->SilentMode, -1);
  EXPECT_EQ(Names(start.form->lstSuppr), (std::vector<std::wstring>{L"Ancienne"}));
  EXPECT_EQ(start.Devices(), (std::vector<std::wstring>{L"HP LaserJet"}));
  EXPECT_TRUE(start.window.boxes.empty());
  EXPECT_EQ(start.window.ends, 0);
}

TEST(Form1Load, OnlyTheArgumentTextSlashSMakesTheStartSilent) {
  struct Case {
    const wchar_t* argumentText;
    bool silent;
  };
  const Case cases[] = {
      {L"/s", true}, {L"/S", false}, {L"-s", false}, {L"/silent", false}, {L"/s x", false}, {L"", false},
      {L"/q", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.argumentText)));
    ProgramStart start({L"Ancienne"}, {L"HP LaserJet"}, c.argumentText);
    start.form->Form_Load();

    EXPECT_EQ(start.form->SilentMode, c.silent ? -1 : 0);
    // Both lists are filled in either mode.
    EXPECT_EQ(start.form->lstWMI.ListCount(), 1);
    EXPECT_EQ(start.form->lstRegedit.ListCount(), 1);
    // Only the silent start cleans up and closes the window; an interactive one waits.
    EXPECT_EQ(start.window.unloads, c.silent ? 1 : 0);
    EXPECT_EQ(start.Devices().empty(), c.silent);
    EXPECT_TRUE(start.window.boxes.empty());
  }
}

TEST(Form1Load, AWmiFailureEndsStartUpBeforeTheRegistryIsReadInEitherMode) {
  for (const wchar_t* argumentText : {L"", L"/s"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(argumentText)));
    ProgramStart start({L"Ancienne"}, {L"HP LaserJet", L"Canon"}, argumentText);
    start.printers.FailAfter(1);

    EXPECT_THROW(start.form->Form_Load(), AppError);
    EXPECT_EQ(start.journal, (Journal{"printers.query"}));
    EXPECT_EQ(start.form->lstRegedit.ListCount(), 0);
    EXPECT_EQ(start.Devices(), (std::vector<std::wstring>{L"Ancienne"}));
    EXPECT_EQ(start.window.unloads, 0);
  }
}

TEST(Form1Load, APreviewWritesWhatTheCleanupWouldDeleteAndDeletesNothing) {
  // What would break a line or show another name on a console is written as '?': controls, DEL,
  // separators, bidirectional marks, embeddings, overrides and isolates.
  ProgramStart start({L"HP LaserJet", L"Ancienne", L"Nom\tavec\nsaut\x7F\x85", L"L\u2028P\u2029\u200EA\u200F\u202AB\u202B\u2066C\u2069",
                      L"Canon\u202Etxt.exe"}, {L"HP LaserJet"}, L"/l");
  start.form->Form_Load();
  EXPECT_EQ(start.output.lines, (std::vector<std::wstring>{L"Ancienne", L"Nom?avec?saut??", L"L?P??A??B??C?", L"Canon?txt.exe"}));
  EXPECT_EQ(start.window.exitCodes, std::vector<int>{3});
  EXPECT_EQ(start.Devices().size(), 5u);
  EXPECT_TRUE(start.window.boxes.empty());
  EXPECT_TRUE(start.eventLog.records.empty());
  EXPECT_EQ(start.window.unloads, 1);
  ProgramStart nothingStale({L"HP LaserJet"}, {L"HP LaserJet"}, L"/l");
  nothingStale.form->Form_Load();
  EXPECT_TRUE(nothingStale.output.lines.empty());
  EXPECT_TRUE(nothingStale.window.exitCodes.empty()) << "0, as when nothing is stale";
}

TEST(ShownName, EachControlFormatCharacterSeparatorAndLoneSurrogateIsAQuestionMarkAndNothingAroundIt) {
  // Unicode's general categories Cc, Cf, Zl and Zp, each range from its first to its last code point.
  const std::pair<char32_t, char32_t> hidden[] = {
      {0x0000, 0x001F}, {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
      {0x06DD, 0x06DD}, {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
      {0x200B, 0x200F}, {0x2028, 0x202E},   {0x2060, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},
      {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
      {0xE0000, 0xE007F}};
  const auto utf16 = [](char32_t c) {
    if (c < 0x10000) return std::wstring(1, static_cast<wchar_t>(c));
    return std::wstring{static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)), static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
  };
  const auto kept = [&](char32_t c) { return ShownName(L"a " + utf16(c) + L" b") == L"a " + utf16(c) + L" b"; };
  for (const auto& [first, last] : hidden) {
    SCOPED_TRACE(testing::Message() << std::hex << static_cast<std::uint32_t>(first));
    EXPECT_EQ(ShownName(L"a " + utf16(first) + L" b"), L"a ? b");
    EXPECT_EQ(ShownName(L"a " + utf16(last) + L" b"), L"a ? b");
    EXPECT_TRUE(first == 0 || kept(first - 1));
    EXPECT_TRUE(kept(last + 1));
  }
  EXPECT_EQ(ShownName(std::wstring{L'a', 0xD83D}), L"a?") << "a high surrogate alone";
  EXPECT_EQ(ShownName(std::wstring{0xDDA8, 0xD83D, L'b'}), L"??b") << "a pair reversed";
  EXPECT_EQ(ShownName(L"\U0001F5A8 Été"), L"\U0001F5A8 Été");
}

TEST(NameListLimit, HoldsExactly32767EntriesAndRefusesTheNextWithAnErrorKeepingThem) {
  NameList list(L"lstRegedit");
  for (int i = 0; i < 32767; ++i) list.AddItem(L"Imprimante " + std::to_wstring(i));
  ASSERT_EQ(list.ListCount(), 32767);

  try {
    list.AddItem(L"Une de trop");
    FAIL() << "the 32768th entry was accepted";
  } catch (const AppError& error) {
    EXPECT_NE(error.WhatFailed().find(L"lstRegedit"), std::wstring::npos) << "the error names the list";
    EXPECT_NE(error.Code(), 0u);
  }
  EXPECT_EQ(list.ListCount(), 32767);
  EXPECT_EQ(list.List(32766), L"Imprimante 32766");
}

TEST(NameListLimit, MorePrintersThanAListHoldsEndStartUpWithTheListFullAndTheRegistryUnread) {
  std::vector<std::wstring> printers;
  for (int i = 0; i < 32768; ++i) printers.push_back(L"Imprimante " + std::to_wstring(i));
  ProgramStart start({L"Ancienne"}, printers, L"/s");

  EXPECT_THROW(start.form->Form_Load(), AppError);
  EXPECT_EQ(start.form->lstWMI.ListCount(), 32767);
  EXPECT_EQ(start.journal, (Journal{"printers.query"}));
  EXPECT_EQ(start.Devices(), (std::vector<std::wstring>{L"Ancienne"}));
}
