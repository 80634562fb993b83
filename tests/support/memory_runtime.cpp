// MemoryRuntime: forms created and forgotten, the screen and clock at start.
#include "memory_runtime.h"

#include <algorithm>
#include <stdexcept>

namespace quorvo::testing {

MemoryRuntime::MemoryRuntime() {
  screens.push_back({0, 0, 1920 * 15, 1080 * 15});
  dateTime_.set(2024, 3, 4, 21, 5, 3);
}

std::unique_ptr<platform::Form> MemoryRuntime::createForm(
    const platform::FormDesign& /*design*/, platform::FormEvents& events) {
  auto form = std::make_unique<MemoryForm>(*this, events, nextHandle_);
  nextHandle_ += 0x10;
  forms_.push_back(form.get());
  journal.push_back("create form");
  return form;
}

MemoryForm& MemoryRuntime::form() {
  if (forms_.empty()) throw std::logic_error("no form is loaded");
  return *forms_.back();
}

void MemoryRuntime::forget(MemoryForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

}  // namespace quorvo::testing
