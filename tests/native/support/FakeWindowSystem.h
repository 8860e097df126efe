#pragma once
// Stands in for the Win32 window: records every message box, unload, end and exit code, answers Yes/No
// boxes from a queue of answers that the test sets (No when the queue is empty), and has a
// screen as many lines high as the test says (unbounded unless set).
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/WindowSystem.h"
#include "support/Journal.h"

class FakeWindowSystem final : public WindowSystem {
 public:
  static constexpr int kIdOk = 1;
  static constexpr int kIdYes = 6;
  static constexpr int kIdNo = 7;
  static constexpr int kMbYesNo = 4;

  struct Box {
    std::wstring text;
    std::wstring title;
    int style;
  };

  explicit FakeWindowSystem(Journal* journal = nullptr) : journal_(journal) {}

  void AnswerNext(int button) { answers_.push_back(button); }
  // Runs while each box is up, before it is answered: what changes while the user reads.
  std::function<void()> whileShown;

  int MsgBox(const std::wstring& text, const std::wstring& title, int style) override {
    boxes.push_back({text, title, style});
    if (journal_) journal_->push_back("window.msgbox");
    if (whileShown) whileShown();
    if ((style & 0xF) != kMbYesNo) return kIdOk;
    if (answers_.empty()) return kIdNo;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  // A box fits while its text has at most screenLines lines.
  bool MsgBoxFitsOnScreen(const std::wstring& text, int) override {
    std::size_t lines = 1;
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++lines;
    return lines <= screenLines;
  }
  void Unload() override {
    ++unloads;
    if (journal_) journal_->push_back("window.unload");
  }
  void End() override {
    ++ends;
    if (journal_) journal_->push_back("window.end");
  }
  void SetExitCode(int code) override {
    exitCode = code;
    exitCodes.push_back(code);
  }

  std::size_t screenLines = static_cast<std::size_t>(-1);
  std::vector<Box> boxes;
  int unloads = 0;
  int ends = 0;
  int exitCode = 0;
  std::vector<int> exitCodes;  // every code set, in order: 0 set is not 0 by default

 private:
  Journal* journal_;
  std::deque<int> answers_;
};
