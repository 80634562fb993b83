// Menu item state and the access-key reading of captions.
#include "platform/menu_item.h"

#include <utility>

namespace quorvo::platform {

MenuItem::MenuItem(const Design& design, std::function<void()> onClick)
    : caption_(design.caption),
      name_(design.name),
      checked_(design.checked),
      visible_(design.visible),
      enabled_(design.enabled),
      onClick_(std::move(onClick)) {}

void MenuItem::click() const {
  if (onClick_) onClick_();
}

std::string displayCaption(const std::string& caption, char* accessKey) {
  std::string shown;
  char key = 0;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && key == 0) {
        const char c = caption[i];
        key = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      }
    }
    shown.push_back(caption[i]);
  }
  if (accessKey != nullptr) *accessKey = key;
  return shown;
}

}  // namespace quorvo::platform
