// The application object: the previous-instance flag from a named mutex, the
// argument string, ending the program and the message box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/services.h"
#include "platform/win32/handles.h"

namespace quorvo::platform::win32 {

// The mutex that marks a running Quorvo in the user's session.
inline constexpr const wchar_t* kSingleInstanceMutex =
    L"Local\\Velmora.Quorvo.SingleInstance";

// The full path of the running program; empty when it cannot be had.
std::wstring programPath();

class Win32Application : public Application {
 public:
  // Creates (or opens) the named mutex at once, so two programs started
  // together cannot both believe they are the first. The handle is kept
  // for the life of this object.
  explicit Win32Application(
      const std::wstring& mutexName = kSingleInstanceMutex);

  bool prevInstance() override { return previousInstance_; }
  // Closes the mutex: the next start finds no instance running.
  void releaseInstance() override { instanceMutex_.reset(); }
  std::string command() override;
  // No event reaches the program afterwards; the message loop returns.
  void end() override;
  bool ended() const override { return ended_; }
  int msgBox(const std::string& prompt, int style,
             const std::string& title) override;

  // The window that owns message boxes (the clock window, which is topmost:
  // an unowned box could open behind it).
  void setOwnerWindowSource(std::function<HWND()> source);
  // Called once by end(), to take the program's windows away at once.
  void setEndHandler(std::function<void()> onEnd);

 private:
  UniqueHandle instanceMutex_;
  bool previousInstance_ = false;
  bool ended_ = false;
  std::function<HWND()> ownerWindow_;
  std::function<void()> onEnd_;
};

}  // namespace quorvo::platform::win32
