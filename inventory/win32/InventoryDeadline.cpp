#include "inventory/win32/InventoryDeadline.h"

#include <string>

namespace inventory {

InventoryDeadline::Question::Question(const InventoryDeadline& deadline, const wchar_t* whatIsAsked)
    : deadline_(deadline), whatIsAsked_(whatIsAsked) {
  timer_ = CreateThreadpoolTimer(OnExpiry, this, nullptr);
  // Without its deadline the question is not asked: nothing has been deleted yet.
  if (!timer_) throw AppError(L"armement du délai de l'inventaire des imprimantes", GetLastError());
  ULARGE_INTEGER dueTime;
  dueTime.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(kSeconds) * 10'000'000);  // relative, 100 ns
  FILETIME due{dueTime.LowPart, dueTime.HighPart};
  SetThreadpoolTimer(timer_, &due, 0, 0);
}

InventoryDeadline::Question::~Question() {
  int armed = kArmed;
  if (!state_.compare_exchange_strong(armed, kDisarmed)) {
    // Too late: the report is on its way and the process ends with it. Whatever the question
    // answered, nothing after it may run.
    for (;;) Sleep(INFINITE);
  }
  SetThreadpoolTimer(timer_, nullptr, 0, 0);
  WaitForThreadpoolTimerCallbacks(timer_, TRUE);
  CloseThreadpoolTimer(timer_);
}

void CALLBACK InventoryDeadline::Question::OnExpiry(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) noexcept {
  auto* question = static_cast<Question*>(context);
  int armed = kArmed;
  if (!question->state_.compare_exchange_strong(armed, kExpired)) return;  // answered in time
  const InventoryDeadline& deadline = question->deadline_;
  try {
    deadline.report_(AppError(std::wstring(question->whatIsAsked_) +
                                  L" n'a pas donné la liste des imprimantes dans le délai de " +
                                  std::to_wstring(kSeconds) + L" secondes",
                              ERROR_TIMEOUT));
  } catch (...) {
    // No memory for the report's text: the exit code still tells.
  }
  TerminateProcess(GetCurrentProcess(), deadline.exitCode_);
}

}  // namespace inventory
