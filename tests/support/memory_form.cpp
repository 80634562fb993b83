// MemoryForm: its properties, its popups, and events raised on it.
#include "memory_form.h"

#include <algorithm>

#include "memory_runtime.h"
#include "platform/handler_guard.h"

namespace quorvo::testing {

namespace {

std::string formEvent(std::string_view event) {
  return platform::handlerName(platform::kFormEvents, event);
}

}  // namespace

MemoryForm::MemoryForm(MemoryRuntime& runtime, platform::FormEvents& events,
                       platform::WindowHandle handle)
    : runtime_(runtime),
      journal_(runtime.journal),
      events_(events),
      handle_(handle) {}

bool MemoryForm::isOnAnyScreen() const {
  return std::any_of(runtime_.screens.begin(), runtime_.screens.end(),
                     [this](const ScreenRect& s) {
                       return left_ < s.right && left_ + width_ > s.left &&
                              top_ < s.bottom && top_ + height_ > s.top;
                     });
}

void MemoryForm::popupMenu(platform::MenuItem& menu, int flags,
                           platform::PopupPlace place) {
  if (!loaded) throw platform::RuntimeError("form is unloaded");
  PopupShown& shown =
      runtime_.popups.emplace_back(PopupShown{flags, place, {}});
  const std::string& choice = runtime_.choosePopupItem;
  platform::MenuItem* chosen = nullptr;
  for (platform::MenuItem* item : menu.items()) {
    if (!item->visible()) continue;
    const std::string caption = platform::displayCaption(item->caption());
    shown.items.push_back(item->isSeparator()
                              ? "-"
                              : (item->checked() ? "*" : "") + caption +
                                    (item->enabled() ? "" : " (greyed)"));
    if (!chosen && !choice.empty() && caption == choice && item->enabled() &&
        !item->isSeparator()) {
      chosen = item;
    }
  }
  journal_.push_back("popup");
  if (chosen) {
    runtime_.raise(platform::handlerName(chosen->name(), "Click"),
                   [chosen] { chosen->click(); });
  }
}

void MemoryForm::unload() {
  loaded = false;
  visible = false;
  for (auto& timer : timers_) timer->alive = false;
  journal_.push_back("unload");
  runtime_.forget(this);
}

platform::Label& MemoryForm::addLabel(const platform::LabelDesign& labelDesign,
                                      platform::LabelEvents& events) {
  labels_.push_back(std::make_unique<MemoryLabel>(labelDesign, events));
  return *labels_.back();
}

platform::Timer& MemoryForm::addTimer(const platform::TimerDesign& timerDesign,
                                      std::function<void()> onTimer) {
  timers_.push_back(std::make_unique<MemoryTimer>(
      timerDesign, std::move(onTimer), runtime_.app()));
  return *timers_.back();
}

void MemoryForm::pressMouse(std::int16_t button) {
  runtime_.raise(formEvent("MouseDown"),
                 [&] { events_.Form_MouseDown(button, 0, 30, 30); });
}

void MemoryForm::pressMouseOnLabel(std::int16_t button) {
  MemoryLabel& target = label();
  runtime_.raise(platform::handlerName(target.name, "MouseDown"),
                 [&] { target.events.MouseDown(button, 0, 30, 30); });
}

void MemoryForm::doubleClick() {
  runtime_.raise(formEvent("DblClick"), [&] { events_.Form_DblClick(); });
}

void MemoryForm::doubleClickLabel() {
  MemoryLabel& target = label();
  runtime_.raise(platform::handlerName(target.name, "DblClick"),
                 [&] { target.events.DblClick(); });
}

void MemoryForm::contextMenu(bool fromKeyboard) {
  runtime_.raise(formEvent("ContextMenu"),
                 [&] { events_.Form_ContextMenu(fromKeyboard); });
}

void MemoryForm::changeFont(float lineHeight) {
  for (auto& label : labels_) label->lineHeight = lineHeight;
  runtime_.raise(formEvent("FontChanged"), [&] { events_.Form_FontChanged(); });
}

void MemoryForm::close(platform::UnloadReason reason) {
  std::int16_t cancel = 0;
  runtime_.raise(formEvent("QueryUnload"),
                 [&] { events_.Form_QueryUnload(cancel, reason); });
  if (cancel == 0) {
    runtime_.raise(formEvent("Closed"), [&] { events_.Form_Closed(reason); });
  }
}

void MemoryForm::tick() {
  for (auto& timer : timers_) timer->fire();
}

}  // namespace quorvo::testing
