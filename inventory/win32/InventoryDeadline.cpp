#include "inventory/win32/InventoryDeadline.h"

#include <atomic>
#include <mutex>
#include <string>

namespace inventory {
namespace {

// Whether a question expired, and each question's state, change together under this lock: the
// window, which reads the flag, never acts on a command once a question has expired.
std::mutex expiryLock;
std::atomic<bool> deadlinePassed{false};

// The question answered after its deadline: the report is up, and the process ends with it.
// This thread never goes on past its question. But it owns the window and the COM apartment:
// a thread that stops taking messages hangs every SendMessage to its windows, broadcasts
// included (an installer announcing a settings change), and a window on the screen turns
// "Ne répond pas". So it keeps handling the messages sent to it, and takes no posted input.
[[noreturn]] void WaitToBeEnded() noexcept {
  for (;;) {
    // Woken now and then as well: a thread that looks at its queue is not taken for hung.
    MsgWaitForMultipleObjectsEx(0, nullptr, 1000, QS_SENDMESSAGE, 0);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

bool InventoryDeadline::Passed() noexcept { return deadlinePassed.load(); }

InventoryDeadline::Question::Question(InventoryDeadline& deadline, const wchar_t* whatIsAsked)
    : deadline_(deadline), whatIsAsked_(whatIsAsked) {
  timer_ = CreateThreadpoolTimer(OnExpiry, this, nullptr);
  // Without its deadline the question is not asked: nothing has been deleted yet.
  if (!timer_) throw AppError(L"armement du délai de l'inventaire des imprimantes", GetLastError());
  const ULONGLONG budget = deadline_.seconds_ * 1000ULL;
  const ULONGLONG left = deadline_.spentMilliseconds_ < budget ? budget - deadline_.spentMilliseconds_ : 1;
  ULARGE_INTEGER dueTime;
  dueTime.QuadPart = static_cast<ULONGLONG>(-static_cast<LONGLONG>(left) * 10'000);  // relative, 100 ns
  FILETIME due{dueTime.LowPart, dueTime.HighPart};
  SetThreadpoolTimer(timer_, &due, 0, 0);
}

InventoryDeadline::Question::~Question() {
  bool expired = false;
  {
    const std::lock_guard<std::mutex> lock(expiryLock);
    expired = state_ == kExpired;
    if (!expired) state_ = kDisarmed;
  }
  // Too late: whatever the question answered, nothing after it may run.
  if (expired) WaitToBeEnded();
  SetThreadpoolTimer(timer_, nullptr, 0, 0);
  WaitForThreadpoolTimerCallbacks(timer_, TRUE);
  CloseThreadpoolTimer(timer_);
  deadline_.spentMilliseconds_ += GetTickCount64() - askedAt_;
}

void CALLBACK InventoryDeadline::Question::OnExpiry(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) noexcept {
  auto* question = static_cast<Question*>(context);
  {
    const std::lock_guard<std::mutex> lock(expiryLock);
    if (question->state_ != kArmed) return;  // answered in time
    deadlinePassed = true;
    question->state_ = kExpired;
  }
  const InventoryDeadline& deadline = question->deadline_;
  try {
    deadline.report_(AppError(std::wstring(question->whatIsAsked_) +
                                  L" n'a pas donné la liste des imprimantes dans le délai de " +
                                  std::to_wstring(deadline.seconds_) + L" secondes",
                              ERROR_TIMEOUT));
  } catch (...) {
    // No memory for the report's text: the exit code still tells.
  }
  TerminateProcess(GetCurrentProcess(), deadline.exitCode_);
}

}  // namespace inventory
