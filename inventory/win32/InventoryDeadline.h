#pragma once
// How long the printer inventory's questions may take: WMI's whole answer at start-up (bind,
// query, enumeration, the names), and each listing by the print spooler. A stuck printer driver
// or a print server that is gone can hold either for minutes, and a logon script that waits for
// the program holds the user's desktop meanwhile. The questions asked with nobody in between
// share one budget: a question gets what the earlier ones left of it.
//
// The deadline runs only while a question waits for its answer, so it never interrupts a
// deletion. When a question passes it, the error is reported from a thread pool thread and the
// process ends with TerminateProcess: the stuck thread may hold locks that ExitProcess would wait
// for. That thread never goes on past its question, even if its answer comes while the report is
// up; it then only answers what other threads and programs send it, until the process ends.
#include <windows.h>

#include "common/AppError.h"
#include "inventory/PrinterSource.h"

namespace inventory {

class InventoryDeadline final : public QuestionBudget {
 public:
  static constexpr unsigned kSeconds = kQuestionBudgetSeconds;

  // Reports a question's timeout (ERROR_TIMEOUT); the process then ends with exitCode.
  using Report = void (*)(const AppError& timeout) noexcept;

  InventoryDeadline(Report report, UINT exitCode, unsigned seconds = kSeconds)
      : report_(report), exitCode_(exitCode), seconds_(seconds) {}

  // Whether a question of this process passed its deadline: the run is being ended by its
  // report, and nothing may act any more. True before anyone can see the question expired.
  static bool Passed() noexcept;

  void StartAnew() override { spentMilliseconds_ = 0; }

  // The deadline of one question, from here to the end of the object's scope: what the budget
  // has left. whatIsAsked names what did not answer in the report ("WMI", "le spouleur
  // d'impression").
  class Question {
   public:
    Question(InventoryDeadline& deadline, const wchar_t* whatIsAsked);
    ~Question();
    Question(const Question&) = delete;
    Question& operator=(const Question&) = delete;

   private:
    enum State { kArmed, kDisarmed, kExpired };
    static void CALLBACK OnExpiry(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) noexcept;

    InventoryDeadline& deadline_;
    const wchar_t* whatIsAsked_;
    State state_ = kArmed;  // changed only under the expiry lock
    ULONGLONG askedAt_ = GetTickCount64();
    PTP_TIMER timer_ = nullptr;
  };

 private:
  Report report_;
  UINT exitCode_;
  unsigned seconds_;
  ULONGLONG spentMilliseconds_ = 0;  // by this budget's questions so far
};

}  // namespace inventory
