// MemoryForm: a form with its labels and timers, and what its popups showed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "journal.h"
#include "memory_label.h"
#include "memory_timer.h"
#include "platform/forms.h"
#include "platform/menu_item.h"

namespace quorvo::testing {

class MemoryRuntime;

// What a popup showed: the visible items below the opened menu, in order,
// each as its caption, with "*" before a checked one and " (greyed)" after a
// disabled one, or "-" for a line.
struct PopupShown {
  int flags;
  platform::PopupPlace place;
  std::vector<std::string> items;
};

class MemoryForm : public platform::Form {
 public:
  MemoryForm(MemoryRuntime& runtime, platform::FormEvents& events,
             platform::WindowHandle handle);
  float left() const override { return left_; }
  float top() const override { return top_; }
  float width() const override { return width_; }
  float height() const override { return height_; }
  float userLeft() const override { return userLeft_; }
  float userTop() const override { return userTop_; }
  void setLeft(float twips) override { left_ = userLeft_ = twips; }
  void setTop(float twips) override { top_ = userTop_ = twips; }
  void move(float left, float top) override {
    left_ = userLeft_ = left;
    top_ = userTop_ = top;
    journal_.push_back("move");
  }
  void moveAside(float left, float top) override {
    left_ = left;
    top_ = top;
    journal_.push_back("move aside");
  }
  void setWidth(float twips) override {
    if (twips == width_) return;
    width_ = twips;
    ++widthChanges;
  }
  void setHeight(float twips) override { height_ = twips; }
  platform::WindowHandle hWnd() const override { return handle_; }
  bool isOnAnyScreen() const override;
  // Only noted in the journal: where the text lands is the placement rules'
  // (platform/placement.h), tested against monitor layouts of their own.
  void keepTextOnScreen() override {
    journal_.push_back("keep text on screen");
  }
  void show() override {
    visible = true;
    journal_.push_back("show");
  }
  void refresh() override {
    ++refreshes;
    journal_.push_back("refresh");
  }
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
  // The system's message font became `lineHeight` twips high.
  void changeFont(float lineHeight);
  // Fires every timer of the form once.
  void tick();

  MemoryLabel& label() { return *labels_.at(0); }
  MemoryTimer& timer() { return *timers_.at(0); }

  bool visible = false;
  bool loaded = true;
  int refreshes = 0;
  int widthChanges = 0;

 private:
  MemoryRuntime& runtime_;
  Journal& journal_;
  platform::FormEvents& events_;
  platform::WindowHandle handle_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  float userLeft_ = 0, userTop_ = 0;
  std::vector<std::unique_ptr<MemoryLabel>> labels_;
  std::vector<std::unique_ptr<MemoryTimer>> timers_;
};

}  // namespace quorvo::testing
