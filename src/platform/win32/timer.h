// A timer of a Win32 form.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/forms.h"

namespace quorvo::platform::win32 {

class Win32Form;

// A timer on its form's window: WM_TIMER with the timer's id, so it ticks
// from the message loop only.
class Win32Timer final : public Timer {
 public:
  Win32Timer(Win32Form& form, UINT_PTR id, const TimerDesign& design,
             std::function<void()> onTimer);
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  int interval() const override { return interval_; }
  bool enabled() const override { return enabled_; }
  void setEnabled(bool on) override;

  UINT_PTR id() const noexcept { return id_; }
  bool running() const noexcept { return running_; }
  void tick() noexcept;
  // The window is going: no more ticks.
  void stop() noexcept;

 private:
  void apply();

  Win32Form& form_;
  // Made once: nothing is composed at every tick.
  const std::string handlerName_;
  const UINT_PTR id_;
  const int interval_;  // 0: never ticks
  bool enabled_;
  bool running_ = false;
  std::function<void()> onTimer_;
};

}  // namespace quorvo::platform::win32
