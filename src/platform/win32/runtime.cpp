// The Win32 runtime object and the message loop.
#include "platform/win32/runtime.h"

#include <algorithm>

#include "platform/win32/form.h"

namespace quorvo::platform::win32 {

Win32Runtime::Win32Runtime(HINSTANCE instance, const RuntimeOptions& options)
    : instance_(instance),
      errors_(options.errors != nullptr ? options.errors : &debugOutput_),
      app_(options.instanceMutex),
      dateTime_(options.locale) {
  if (!Win32Form::registerWindowClass(instance_)) {
    throwLastError("RegisterClassExW");
  }
  app_.setOwnerWindowSource([this] { return messageBoxOwner(); });
  app_.setEndHandler([this] { unloadAllForms(); });
}

Win32Runtime::~Win32Runtime() {
  app_.setOwnerWindowSource(nullptr);
  app_.setEndHandler(nullptr);
}

std::unique_ptr<Form> Win32Runtime::createForm(const FormDesign& design,
                                               FormEvents& events) {
  return std::make_unique<Win32Form>(*this, design, events);
}

bool Win32Runtime::anyFormVisible() const noexcept {
  return std::any_of(forms_.begin(), forms_.end(),
                     [](const Win32Form* form) { return form->isVisible(); });
}

void Win32Runtime::addForm(Win32Form* form) { forms_.push_back(form); }

void Win32Runtime::removeForm(Win32Form* form) noexcept {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

HWND Win32Runtime::messageBoxOwner() const noexcept {
  // The most recent form on screen: the clock window.
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
    if ((*it)->isVisible()) return (*it)->window();
  }
  return nullptr;
}

void Win32Runtime::unloadAllForms() noexcept {
  // A copy: nothing removes forms while they unload, but nothing has to
  // rely on that either.
  const std::vector<Win32Form*> forms = forms_;
  for (Win32Form* form : forms) form->unload();
}

int runMessageLoop() noexcept {
  MSG message{};
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) return -1;  // only for invalid arguments
    (void)TranslateMessage(&message);
    (void)DispatchMessageW(&message);
  }
}

}  // namespace quorvo::platform::win32
