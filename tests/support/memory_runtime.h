// MemoryRuntime: the in-memory runtime of the program's unit tests.
//
// The real runtime needs a window system, a registry and a wall clock, none
// of which a test can control; this one has a clock the test sets, timers the
// test fires, text measured by a fixed rule, and a journal of everything the
// program did.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "journal.h"
#include "memory_application.h"
#include "memory_date_time.h"
#include "memory_form.h"
#include "memory_process_starter.h"
#include "memory_settings_store.h"
#include "memory_window_manager.h"
#include "platform/handler_guard.h"
#include "platform/runtime.h"

namespace quorvo::testing {

// A screen rectangle in twips.
struct ScreenRect {
  float left, top, right, bottom;
};

class MemoryRuntime : public platform::Runtime {
 public:
  std::unique_ptr<platform::Form> createForm(
      const platform::FormDesign& /*design*/,
      platform::FormEvents& events) override {
    auto form = std::make_unique<MemoryForm>(*this, events, nextHandle_);
    nextHandle_ += 0x10;
    forms_.push_back(form.get());
    journal.push_back("create form");
    return form;
  }
  MemoryApplication& app() override { return app_; }
  MemorySettingsStore& settings() override { return settings_; }
  MemoryDateTime& dateTime() override { return dateTime_; }
  MemoryProcessStarter& processes() override { return processes_; }
  MemoryWindowManager& windows() override { return windows_; }
  MemoryApplication& errors() override { return app_; }

  // The most recently created form that is still loaded.
  MemoryForm& form() {
    if (forms_.empty()) throw std::logic_error("no form is loaded");
    return *forms_.back();
  }
  void forget(MemoryForm* form) { std::erase(forms_, form); }

  // Runs one event handler the way the real runtime does.
  template <typename Handler>
  void raise(std::string_view name, Handler&& handler) {
    platform::runHandler(app_, app_, name, std::forward<Handler>(handler));
  }

  // The caption (as shown) of the item to choose at every popup, or "" to
  // close the menu without a choice.
  std::string choosePopupItem;
  std::vector<PopupShown> popups;
  // Monitors, in twips; by default one 1920 x 1080 pixel screen.
  std::vector<ScreenRect> screens{{0, 0, 1920 * 15, 1080 * 15}};
  Journal journal;

 private:
  MemoryApplication app_{journal};
  MemorySettingsStore settings_{journal};
  MemoryDateTime dateTime_;
  MemoryProcessStarter processes_{journal};
  MemoryWindowManager windows_{journal};
  std::vector<MemoryForm*> forms_;
  platform::WindowHandle nextHandle_ = 0x1000;
};

}  // namespace quorvo::testing
