// Timers of Win32 forms: WM_TIMER on the form's window.
#include "platform/win32/timer.h"

#include <utility>

#include "platform/handler_guard.h"
#include "platform/win32/errors.h"
#include "platform/win32/form.h"

namespace quorvo::platform::win32 {

Win32Timer::Win32Timer(Win32Form& form, UINT_PTR id, const TimerDesign& design,
                       std::function<void()> onTimer)
    : form_(form),
      handlerName_(handlerName(design.name, "Timer")),
      id_(id),
      interval_(design.intervalMs < 0 ? 0 : design.intervalMs),
      enabled_(design.enabled),
      onTimer_(std::move(onTimer)) {
  apply();
}

void Win32Timer::apply() {
  const HWND window = form_.window();
  const bool shouldRun = enabled_ && interval_ > 0 && window != nullptr;
  if (shouldRun) {
    if (SetTimer(window, id_, static_cast<UINT>(interval_), nullptr) == 0) {
      throwLastError("SetTimer");
    }
    running_ = true;
  } else if (running_) {
    if (window != nullptr) (void)KillTimer(window, id_);
    running_ = false;
  }
}

void Win32Timer::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  apply();
}

void Win32Timer::tick() noexcept {
  if (!running_ || !onTimer_) return;
  form_.raise(handlerName_, onTimer_);
}

void Win32Timer::stop() noexcept {
  if (running_ && form_.window() != nullptr) {
    (void)KillTimer(form_.window(), id_);
  }
  running_ = false;
}

}  // namespace quorvo::platform::win32
