// MemoryLabel: a label whose text is measured by a fixed rule.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/forms.h"

namespace quorvo::testing {

// Text is measured as 90 twips a character and 195 twips high.
class MemoryLabel : public platform::Label {
 public:
  static constexpr float kCharWidth = 90;
  static constexpr float kLineHeight = 195;

  MemoryLabel(const platform::LabelDesign& design,
              platform::LabelEvents& labelEvents)
      : events(labelEvents), name(design.name), caption_(design.caption) {}
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view text) override {
    if (text == caption_) return;
    caption_ = text;
    ++repaints;
  }
  std::string toolTipText() const override { return toolTip_; }
  void setToolTipText(std::string_view text) override {
    if (text != toolTip_) toolTip_ = text;
  }
  // A character is a code point: any byte but UTF-8's continuation bytes.
  float width() const override {
    const auto starts = [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    };
    return static_cast<float>(std::ranges::count_if(caption_, starts)) *
           kCharWidth;
  }
  float height() const override { return lineHeight; }

  platform::LabelEvents& events;
  const std::string name;
  float lineHeight = kLineHeight;  // its font's
  // Caption changes that would have repainted something.
  int repaints = 0;

 private:
  std::string caption_;
  std::string toolTip_;
};

}  // namespace quorvo::testing
