// An in-memory runtime for the program's unit tests. The real runtime needs
// a window system, a registry and a wall clock, none of which a test can
// control; this one has a clock the test sets, timers the test fires, text
// measured by a fixed rule, and a journal of everything the program did.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/handler_guard.h"
#include "platform/menu_item.h"
#include "platform/runtime.h"

namespace quorvo::testing {

// Everything the program asked of the runtime, in order, as short texts such
// as "save Left=5430", "show", "end".
using Journal = std::vector<std::string>;

class MemoryApplication : public platform::Application,
                          public platform::ErrorReporter {
 public:
  explicit MemoryApplication(Journal& journal) : journal_(journal) {}
  bool prevInstance() override { return previousInstance; }
  void releaseInstance() override;
  std::string command() override {
    ++commandReads;
    return arguments;
  }
  void end() override;
  bool ended() const override { return ended_; }
  int msgBox(const std::string& prompt, int style,
             const std::string& title) override;
  void report(std::string_view handler, std::string_view what) override;

  struct MessageBox {
    std::string prompt;
    int style;
    std::string title;
  };
  struct Error {
    std::string handler;
    std::string what;
  };

  bool previousInstance = false;
  bool instanceReleased = false;
  std::string arguments;
  int commandReads = 0;
  std::vector<MessageBox> messageBoxes;
  std::vector<Error> errors;

 private:
  Journal& journal_;
  bool ended_ = false;
};

class MemorySettingsStore : public platform::SettingsStore {
 public:
  explicit MemorySettingsStore(Journal& journal) : journal_(journal) {}
  std::string getSetting(const std::string& appName, const std::string& section,
                         const std::string& key,
                         const std::string& defaultText) override;
  void saveSetting(const std::string& appName, const std::string& section,
                   const std::string& key, const std::string& value) override;

  // Values of application "Velmora Software", section "Quorvo", by key.
  std::map<std::string, std::string> values() const;
  void put(const std::string& key, const std::string& value);

  // Keys read and written, in order.
  std::vector<std::string> reads;
  std::vector<std::string> writes;
  // Refuse every write from the n-th on (0: refuse all; -1: accept all).
  int refuseWritesFrom = -1;

 private:
  Journal& journal_;
  std::map<std::tuple<std::string, std::string, std::string>, std::string>
      store_;
};

// A clock the test sets, with English (United States) names and formats.
class FakeDateTime : public platform::DateTimeService {
 public:
  platform::LocalDateTime now() override;
  // Like the system's formatter, composes a text only for a reading it has
  // not seen with that pattern, so repeated texts cost no allocation. Every
  // text lands in one buffer: a text kept past the next format() reads
  // another text, or freed memory under AddressSanitizer.
  std::string_view format(const platform::LocalDateTime& value,
                          std::string_view pattern) override;

  void set(int year, int month, int day, int hour, int minute, int second);
  platform::LocalDateTime current;
  // The system's long time format is a 24-hour one with a leading zero
  // ("09:05:03"), as in many European locales.
  bool longTime24 = false;
  // Seconds added after every reading, to see which piece read the clock
  // when.
  int secondsPerReading = 0;
  int readings = 0;
  bool failFormat = false;

 private:
  std::string compose(const platform::LocalDateTime& value,
                      std::string_view pattern) const;
  struct Composed {
    std::string pattern;
    platform::LocalDateTime value;
    bool longTime24 = false;
    std::string text;
    bool composed = false;
  };
  std::vector<Composed> composed_;
  std::string text_;
};

class FakeProcessStarter : public platform::ProcessStarter {
 public:
  explicit FakeProcessStarter(Journal& journal) : journal_(journal) {}
  std::uint32_t shell(const std::string& commandLine, int showWindow) override;
  struct Start {
    std::string commandLine;
    int showWindow;
  };
  std::vector<Start> starts;
  bool fail = false;

 private:
  Journal& journal_;
};

class FakeWindowManager : public platform::WindowManager {
 public:
  explicit FakeWindowManager(Journal& journal) : journal_(journal) {}
  bool releaseCapture() override;
  std::intptr_t sendMessage(platform::WindowHandle window,
                            std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  std::int32_t setWindowPos(platform::WindowHandle window,
                            platform::WindowHandle insertAfter, int x, int y,
                            int cx, int cy, std::uint32_t flags) override;
  platform::ScreenPoint messagePointerPosition() override { return pointer; }

  struct Message {
    platform::WindowHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  struct Placement {
    platform::WindowHandle window;
    platform::WindowHandle insertAfter;
    int x, y, cx, cy;
    std::uint32_t flags;
  };
  std::vector<Message> messages;
  std::vector<Placement> placements;
  std::int32_t setWindowPosResult = 1;
  platform::ScreenPoint pointer{};

 private:
  Journal& journal_;
};

class MemoryRuntime;

// Text is measured as 90 twips a character and 195 twips high.
class MemoryLabel : public platform::Label {
 public:
  static constexpr float kCharWidth = 90;
  static constexpr float kLineHeight = 195;

  MemoryLabel(const platform::LabelDesign& design,
              platform::LabelEvents& events);
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view text) override;
  std::string toolTipText() const override { return toolTip_; }
  void setToolTipText(std::string_view text) override;
  float width() const override { return width_; }
  float height() const override { return kLineHeight; }

  platform::LabelEvents& events;
  const platform::LabelDesign design;
  // Caption or tooltip changes that would have repainted something.
  int repaints = 0;
  int resizes = 0;

 private:
  std::string caption_;
  std::string toolTip_;
  float width_ = 0;
};

class MemoryTimer : public platform::Timer {
 public:
  MemoryTimer(const platform::TimerDesign& design,
              std::function<void()> onTimer)
      : interval_(design.intervalMs),
        enabled_(design.enabled),
        onTimer_(std::move(onTimer)) {}
  int interval() const override { return interval_; }
  void setInterval(int milliseconds) override { interval_ = milliseconds; }
  bool enabled() const override { return enabled_; }
  void setEnabled(bool on) override { enabled_ = on; }
  // Raises the timer event when the timer is enabled and its window exists;
  // returns whether it did.
  bool fire(MemoryRuntime& runtime);
  bool alive = true;

 private:
  int interval_;
  bool enabled_;
  std::function<void()> onTimer_;
};

// A screen rectangle in twips.
struct ScreenRect {
  float left, top, right, bottom;
};

class MemoryForm : public platform::Form {
 public:
  MemoryForm(MemoryRuntime& runtime, const platform::FormDesign& design,
             platform::FormEvents& events, platform::WindowHandle handle);
  float left() const override { return left_; }
  float top() const override { return top_; }
  float width() const override { return width_; }
  float height() const override { return height_; }
  void setLeft(float twips) override;
  void setTop(float twips) override;
  void setWidth(float twips) override;
  void setHeight(float twips) override;
  platform::WindowHandle hWnd() const override { return handle_; }
  bool isOnAnyScreen() const override;
  // Only noted in the journal: where the text lands is the real runtime's
  // rule, tested against monitor layouts there.
  void keepTextOnScreen() override;
  void show() override;
  void refresh() override;
  void popupMenu(platform::MenuItem& menu, int flags,
                 platform::PopupPlace place) override;
  void unload() override;
  platform::Label& addLabel(const platform::LabelDesign& design,
                            platform::LabelEvents& events) override;
  platform::Timer& addTimer(const platform::TimerDesign& design,
                            std::function<void()> onTimer) override;

  // Events as a user or the system would raise them.
  void pressMouse(std::int16_t button);
  void pressMouseOnLabel(std::int16_t button);
  void doubleClick();
  void doubleClickLabel();
  void contextMenu(bool fromKeyboard);
  void close(platform::UnloadReason reason);
  // Fires every timer of the form once.
  void tick();

  MemoryLabel& label(std::size_t i = 0) { return *labels_.at(i); }
  MemoryTimer& timer(std::size_t i = 0) { return *timers_.at(i); }

  const platform::FormDesign design;
  bool visible = false;
  bool loaded = true;
  int refreshes = 0;
  int widthChanges = 0;
  int heightChanges = 0;

 private:
  MemoryRuntime& runtime_;
  platform::FormEvents& events_;
  platform::WindowHandle handle_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::vector<std::unique_ptr<MemoryLabel>> labels_;
  std::vector<std::unique_ptr<MemoryTimer>> timers_;
};

// What a popup showed: the visible items below the opened menu, in order.
struct PopupShown {
  struct Entry {
    std::string caption;
    bool checked;
    bool enabled;
    bool separator;
  };
  int flags;
  platform::PopupPlace place;
  std::vector<Entry> entries;
};

class MemoryRuntime : public platform::Runtime {
 public:
  MemoryRuntime();
  std::unique_ptr<platform::Form> createForm(
      const platform::FormDesign& design,
      platform::FormEvents& events) override;
  MemoryApplication& app() override { return app_; }
  MemorySettingsStore& settings() override { return settings_; }
  FakeDateTime& dateTime() override { return dateTime_; }
  FakeProcessStarter& processes() override { return processes_; }
  FakeWindowManager& windows() override { return windows_; }
  MemoryApplication& errors() override { return app_; }

  // The most recently created form that is still loaded.
  MemoryForm& form();
  const std::vector<MemoryForm*>& forms() const { return forms_; }
  void forget(MemoryForm* form);

  // Runs one event handler the way the real runtime does.
  template <typename Handler>
  void raise(std::string_view name, Handler&& handler) {
    platform::runHandler(app_, app_, name, std::forward<Handler>(handler));
  }

  // The popup's choice: given the visible items, the caption of the item to
  // choose, or "" to close the menu without a choice.
  std::function<std::string(const PopupShown&)> choosePopupItem;
  std::vector<PopupShown> popups;
  // Monitors, in twips; by default one 1920 x 1080 pixel screen.
  std::vector<ScreenRect> screens;
  Journal journal;

 private:
  MemoryApplication app_{journal};
  MemorySettingsStore settings_{journal};
  FakeDateTime dateTime_;
  FakeProcessStarter processes_{journal};
  FakeWindowManager windows_{journal};
  std::vector<MemoryForm*> forms_;
  platform::WindowHandle nextHandle_ = 0x1000;
};

}  // namespace quorvo::testing
