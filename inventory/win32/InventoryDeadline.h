#pragma once
// How long one question to the printer inventory may take: WMI's whole answer at start-up
// (bind, query, enumeration, the names), or one listing by the print spooler. A stuck printer
// driver or a print server that is gone can hold either for minutes, and a logon script that
// waits for the program holds the user's desktop meanwhile.
//
// The deadline is armed only while a question runs, so it never interrupts a deletion. When a
// question passes it, the error is reported from a thread pool thread and the process ends with
// TerminateProcess: the stuck thread may hold locks that ExitProcess would wait for. That
// thread never goes on past its question, even if its answer comes while the report is up; it
// then only answers what other threads and programs send it, until the process ends.
#include <windows.h>

#include <atomic>

#include "common/AppError.h"

namespace inventory {

class InventoryDeadline {
 public:
  // Twice the longest answer reported of a working inventory (about 150 s, for connections whose
  // print server is gone), and half of the 600 s Group Policy gives all logon scripts together.
  static constexpr unsigned kSeconds = 300;

  // Reports a question's timeout (ERROR_TIMEOUT); the process then ends with exitCode.
  using Report = void (*)(const AppError& timeout) noexcept;

  InventoryDeadline(Report report, UINT exitCode, unsigned seconds = kSeconds)
      : report_(report), exitCode_(exitCode), seconds_(seconds) {}

  // Whether a question of this process passed its deadline: the run is being ended by its
  // report, and nothing may act any more.
  static bool Passed() noexcept;

  // The deadline of one question, from here to the end of the object's scope. whatIsAsked
  // names what did not answer in the report ("WMI", "le spouleur d'impression").
  class Question {
   public:
    Question(const InventoryDeadline& deadline, const wchar_t* whatIsAsked);
    ~Question();
    Question(const Question&) = delete;
    Question& operator=(const Question&) = delete;

   private:
    enum State { kArmed, kDisarmed, kExpired };
    static void CALLBACK OnExpiry(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) noexcept;

    const InventoryDeadline& deadline_;
    const wchar_t* whatIsAsked_;
    std::atomic<int> state_{kArmed};
    PTP_TIMER timer_ = nullptr;
  };

 private:
  Report report_;
  UINT exitCode_;
  unsigned seconds_;
};

}  // namespace inventory
