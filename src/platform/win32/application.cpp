// Instance detection, command line, end and message box.
#include "platform/win32/application.h"

#include <utility>

#include "platform/command_line.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/errors.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

std::wstring programPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};  // longer than any Windows path
    path.resize(path.size() * 2);
  }
}

Win32Application::Win32Application(const std::wstring& mutexName) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) {
    // ERROR_ACCESS_DENIED: the name exists but belongs to another user's
    // object in this session, which is as good as a running instance.
    if (error == ERROR_ACCESS_DENIED) {
      previousInstance_ = true;
      return;
    }
    throwError("CreateMutexW", error);
  }
  instanceMutex_.reset(mutex);
  previousInstance_ = error == ERROR_ALREADY_EXISTS;
}

std::string Win32Application::command() {
  return argumentString(toUtf8(GetCommandLineW()));
}

void Win32Application::end() {
  if (ended_) return;
  ended_ = true;
  PostQuitMessage(0);
  if (onEnd_) onEnd_();
}

int Win32Application::msgBox(const std::string& prompt, int style,
                             const std::string& title) {
  const HWND owner = ownerWindow_ ? ownerWindow_() : nullptr;
  const CommonControlsScope themed;  // themed buttons
  const int result =
      MessageBoxW(owner, toUtf16(prompt).c_str(), toUtf16(title).c_str(),
                  static_cast<UINT>(style));
  if (result == 0) throwLastError("MessageBoxW");
  return result;
}

void Win32Application::setOwnerWindowSource(std::function<HWND()> source) {
  ownerWindow_ = std::move(source);
}

void Win32Application::setEndHandler(std::function<void()> onEnd) {
  onEnd_ = std::move(onEnd);
}

}  // namespace quorvo::platform::win32
