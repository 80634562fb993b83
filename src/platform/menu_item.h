// A menu item of a form: caption, check mark, visibility, enabled state and
// its click event. Items hold state only; a runtime builds the real popup menu
// from them each time it opens, so the popup always shows the current states.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quorvo::platform {

class MenuItem {
 public:
  struct Design {
    std::string caption;
    bool checked = false;
    bool visible = true;
    bool enabled = true;
    std::string name = {};  // the program's, for its handler's name
  };

  explicit MenuItem(const Design& design, std::function<void()> onClick = {});
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& caption() const { return caption_; }
  const std::string& name() const { return name_; }
  bool checked() const { return checked_; }
  void setChecked(bool on) { checked_ = on; }
  bool visible() const { return visible_; }
  void setVisible(bool on) { visible_ = on; }
  bool enabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; }

  // A caption of "-" makes the item a separator line that cannot be chosen.
  bool isSeparator() const { return caption_ == "-"; }

  void addItem(MenuItem& child) { items_.push_back(&child); }
  const std::vector<MenuItem*>& items() const { return items_; }

  // Raises the click event; items without a handler ignore it.
  void click() const;

 private:
  std::string caption_;
  std::string name_;
  bool checked_;
  bool visible_;
  bool enabled_;
  std::function<void()> onClick_;
  std::vector<MenuItem*> items_;
};

// The caption as the popup shows it: "&" marks the access key and is dropped,
// "&&" shows one "&". The access key, lower-cased ASCII, goes to `accessKey`
// (0 when there is none).
std::string displayCaption(const std::string& caption,
                           char* accessKey = nullptr);

}  // namespace quorvo::platform
