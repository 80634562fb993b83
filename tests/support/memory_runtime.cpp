// The in-memory runtime: deterministic stand-ins for forms, labels, timers,
// the settings store, the clock and the window manager.
#include "memory_runtime.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>

namespace quorvo::testing {

namespace {

constexpr const char* kAppName = "Velmora Software";
constexpr const char* kSection = "Quorvo";

std::size_t codePoints(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(),
      [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string twoDigits(int value) {
  std::array<char, 8> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%02d", value);
  return buffer.data();
}

int hour12(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

}  // namespace

void MemoryApplication::end() {
  ended_ = true;
  journal_.push_back("end");
}

void MemoryApplication::releaseInstance() {
  instanceReleased = true;
  journal_.push_back("release instance");
}

int MemoryApplication::msgBox(const std::string& prompt, int style,
                              const std::string& title) {
  messageBoxes.push_back({prompt, style, title});
  journal_.push_back("msgBox " + title);
  return 1;
}

void MemoryApplication::report(std::string_view handler,
                               std::string_view what) {
  errors.push_back({std::string(handler), std::string(what)});
}

std::string MemorySettingsStore::getSetting(const std::string& appName,
                                            const std::string& section,
                                            const std::string& key,
                                            const std::string& defaultText) {
  reads.push_back(key);
  journal_.push_back("read " + key);
  const auto found = store_.find({appName, section, key});
  return found == store_.end() ? defaultText : found->second;
}

void MemorySettingsStore::saveSetting(const std::string& appName,
                                      const std::string& section,
                                      const std::string& key,
                                      const std::string& value) {
  if (refuseWritesFrom >= 0 &&
      static_cast<int>(writes.size()) >= refuseWritesFrom) {
    throw platform::RuntimeError("access denied writing " + key);
  }
  writes.push_back(key);
  journal_.push_back("save " + key + "=" + value);
  store_[{appName, section, key}] = value;
}

std::map<std::string, std::string> MemorySettingsStore::values() const {
  std::map<std::string, std::string> result;
  for (const auto& [where, value] : store_) {
    if (std::get<0>(where) == kAppName && std::get<1>(where) == kSection) {
      result[std::get<2>(where)] = value;
    }
  }
  return result;
}

void MemorySettingsStore::put(const std::string& key,
                              const std::string& value) {
  store_[{kAppName, kSection, key}] = value;
}

void FakeDateTime::set(int year, int month, int day, int hour, int minute,
                       int second) {
  // Day of week by Sakamoto's method.
  static constexpr std::array<int, 12> kMonthOffsets{0, 3, 2, 5, 0, 3,
                                                     5, 1, 4, 6, 2, 4};
  const int y = month < 3 ? year - 1 : year;
  const int dayOfWeek =
      (y + y / 4 - y / 100 + y / 400 +
       kMonthOffsets[static_cast<std::size_t>(month - 1)] + day) %
      7;
  current = {year, month, day, dayOfWeek, hour, minute, second};
}

platform::LocalDateTime FakeDateTime::now() {
  ++readings;
  const platform::LocalDateTime reading = current;
  if (secondsPerReading != 0) {
    current.second += secondsPerReading;
    current.minute += current.second / 60;
    current.second %= 60;
    current.hour = (current.hour + current.minute / 60) % 24;
    current.minute %= 60;
  }
  return reading;
}

std::string_view FakeDateTime::format(const platform::LocalDateTime& value,
                                      std::string_view pattern) {
  if (failFormat) throw platform::RuntimeError("formatter failed");
  auto found =
      std::find_if(composed_.begin(), composed_.end(),
                   [&](const Composed& c) { return c.pattern == pattern; });
  if (found == composed_.end()) {
    found = composed_.insert(composed_.end(), Composed{});
    found->pattern = pattern;
  }
  const platform::LocalDateTime& kept = found->value;
  const bool sameReading =
      std::tie(kept.year, kept.month, kept.day, kept.dayOfWeek, kept.hour,
               kept.minute, kept.second) ==
      std::tie(value.year, value.month, value.day, value.dayOfWeek, value.hour,
               value.minute, value.second);
  if (!found->composed || !sameReading || found->longTime24 != longTime24) {
    found->text = compose(value, pattern);
    found->value = value;
    found->longTime24 = longTime24;
    found->composed = true;
  }
  text_ = found->text;
  return text_;
}

std::string FakeDateTime::compose(const platform::LocalDateTime& v,
                                  std::string_view pattern) const {
  static constexpr std::array<const char*, 7> kDays{
      "Sunday",   "Monday", "Tuesday", "Wednesday",
      "Thursday", "Friday", "Saturday"};
  static constexpr std::array<const char*, 12> kMonths{
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  const std::string amPm = v.hour < 12 ? " AM" : " PM";
  if (pattern == platform::kLongDatePattern) {
    return std::string(kDays.at(static_cast<std::size_t>(v.dayOfWeek))) + ", " +
           kMonths.at(static_cast<std::size_t>(v.month - 1)) + " " +
           std::to_string(v.day) + " " + std::to_string(v.year);
  }
  if (pattern == platform::kLongTimePattern) {
    if (longTime24) {
      return twoDigits(v.hour) + ":" + twoDigits(v.minute) + ":" +
             twoDigits(v.second);
    }
    return std::to_string(hour12(v.hour)) + ":" + twoDigits(v.minute) + ":" +
           twoDigits(v.second) + amPm;
  }
  if (pattern == platform::kMediumTimePattern) {
    return twoDigits(hour12(v.hour)) + ":" + twoDigits(v.minute) + amPm;
  }
  if (pattern == platform::kHourMinuteSecondPattern) {
    return std::to_string(v.hour) + ":" + std::to_string(v.minute) + ":" +
           std::to_string(v.second);
  }
  if (pattern == platform::kHourMinutePattern) {
    return std::to_string(v.hour) + ":" + std::to_string(v.minute);
  }
  throw platform::RuntimeError("unknown pattern " + std::string(pattern));
}

std::uint32_t FakeProcessStarter::shell(const std::string& commandLine,
                                        int showWindow) {
  journal_.push_back("shell " + commandLine);
  if (fail) throw platform::RuntimeError("file not found");
  starts.push_back({commandLine, showWindow});
  return 4242;
}

bool FakeWindowManager::releaseCapture() {
  journal_.push_back("ReleaseCapture");
  return true;
}

std::intptr_t FakeWindowManager::sendMessage(platform::WindowHandle window,
                                             std::uint32_t message,
                                             std::uintptr_t wParam,
                                             std::intptr_t lParam) {
  journal_.push_back("SendMessage");
  messages.push_back({window, message, wParam, lParam});
  return 0;
}

std::int32_t FakeWindowManager::setWindowPos(platform::WindowHandle window,
                                             platform::WindowHandle insertAfter,
                                             int x, int y, int cx, int cy,
                                             std::uint32_t flags) {
  journal_.push_back("SetWindowPos");
  placements.push_back({window, insertAfter, x, y, cx, cy, flags});
  return setWindowPosResult;
}

MemoryLabel::MemoryLabel(const platform::LabelDesign& labelDesign,
                         platform::LabelEvents& labelEvents)
    : events(labelEvents), design(labelDesign) {
  caption_ = design.caption;
  width_ = static_cast<float>(codePoints(caption_)) * kCharWidth;
}

void MemoryLabel::setCaption(std::string_view text) {
  if (text == caption_) return;
  caption_ = text;
  ++repaints;
  const float newWidth = static_cast<float>(codePoints(text)) * kCharWidth;
  if (newWidth != width_) {
    width_ = newWidth;
    ++resizes;
  }
}

void MemoryLabel::setToolTipText(std::string_view text) {
  if (text == toolTip_) return;
  toolTip_ = text;
}

bool MemoryTimer::fire(MemoryRuntime& runtime) {
  if (!enabled_ || !alive || runtime.app().ended()) return false;
  runtime.raise("tmrGetTime_Timer", onTimer_);
  return true;
}

MemoryForm::MemoryForm(MemoryRuntime& runtime,
                       const platform::FormDesign& formDesign,
                       platform::FormEvents& events,
                       platform::WindowHandle handle)
    : design(formDesign), runtime_(runtime), events_(events), handle_(handle) {}

void MemoryForm::setLeft(float twips) { left_ = twips; }
void MemoryForm::setTop(float twips) { top_ = twips; }

void MemoryForm::setWidth(float twips) {
  if (twips == width_) return;
  width_ = twips;
  ++widthChanges;
}

void MemoryForm::setHeight(float twips) {
  if (twips == height_) return;
  height_ = twips;
  ++heightChanges;
}

bool MemoryForm::isOnAnyScreen() const {
  return std::any_of(runtime_.screens.begin(), runtime_.screens.end(),
                     [this](const ScreenRect& s) {
                       return left_ < s.right && left_ + width_ > s.left &&
                              top_ < s.bottom && top_ + height_ > s.top;
                     });
}

void MemoryForm::keepTextOnScreen() {
  runtime_.journal.push_back("keep text on screen");
}

void MemoryForm::show() {
  visible = true;
  runtime_.journal.push_back("show");
}

void MemoryForm::refresh() {
  ++refreshes;
  runtime_.journal.push_back("refresh");
}

void MemoryForm::popupMenu(platform::MenuItem& menu, int flags,
                           platform::PopupPlace place) {
  if (!loaded) throw platform::RuntimeError("form is unloaded");
  PopupShown shown{flags, place, {}};
  std::vector<platform::MenuItem*> visibleItems;
  for (platform::MenuItem* item : menu.items()) {
    if (!item->visible()) continue;
    visibleItems.push_back(item);
    shown.entries.push_back({platform::displayCaption(item->caption()),
                             item->checked(), item->enabled(),
                             item->isSeparator()});
  }
  runtime_.popups.push_back(shown);
  runtime_.journal.push_back("popup");
  if (!runtime_.choosePopupItem) return;
  const std::string choice = runtime_.choosePopupItem(shown);
  for (std::size_t i = 0; i < visibleItems.size(); ++i) {
    if (!choice.empty() && shown.entries[i].caption == choice &&
        shown.entries[i].enabled && !shown.entries[i].separator) {
      runtime_.raise("Click", [item = visibleItems[i]] { item->click(); });
      return;
    }
  }
}

void MemoryForm::unload() {
  loaded = false;
  visible = false;
  for (auto& timer : timers_) timer->alive = false;
  runtime_.journal.push_back("unload");
  runtime_.forget(this);
}

platform::Label& MemoryForm::addLabel(const platform::LabelDesign& labelDesign,
                                      platform::LabelEvents& events) {
  labels_.push_back(std::make_unique<MemoryLabel>(labelDesign, events));
  return *labels_.back();
}

platform::Timer& MemoryForm::addTimer(const platform::TimerDesign& timerDesign,
                                      std::function<void()> onTimer) {
  timers_.push_back(
      std::make_unique<MemoryTimer>(timerDesign, std::move(onTimer)));
  return *timers_.back();
}

void MemoryForm::pressMouse(std::int16_t button) {
  runtime_.raise("Form_MouseDown",
                 [&] { events_.Form_MouseDown(button, 0, 30, 30); });
}

void MemoryForm::pressMouseOnLabel(std::int16_t button) {
  MemoryLabel& target = label();
  runtime_.raise("lblTime_MouseDown",
                 [&] { target.events.MouseDown(button, 0, 30, 30); });
}

void MemoryForm::doubleClick() {
  runtime_.raise("Form_DblClick", [&] { events_.Form_DblClick(); });
}

void MemoryForm::doubleClickLabel() {
  MemoryLabel& target = label();
  runtime_.raise("lblTime_DblClick", [&] { target.events.DblClick(); });
}

void MemoryForm::contextMenu(bool fromKeyboard) {
  runtime_.raise("Form_ContextMenu",
                 [&] { events_.Form_ContextMenu(fromKeyboard); });
}

void MemoryForm::close(platform::UnloadReason reason) {
  std::int16_t cancel = 0;
  runtime_.raise("Form_QueryUnload",
                 [&] { events_.Form_QueryUnload(cancel, reason); });
  if (cancel == 0) {
    runtime_.raise("Form_Closed", [&] { events_.Form_Closed(reason); });
  }
}

void MemoryForm::tick() {
  for (auto& timer : timers_) timer->fire(runtime_);
}

MemoryRuntime::MemoryRuntime() {
  screens.push_back({0, 0, 1920 * 15, 1080 * 15});
  dateTime_.set(2024, 3, 4, 21, 5, 3);
}

std::unique_ptr<platform::Form> MemoryRuntime::createForm(
    const platform::FormDesign& design, platform::FormEvents& events) {
  auto form = std::make_unique<MemoryForm>(*this, design, events, nextHandle_);
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
