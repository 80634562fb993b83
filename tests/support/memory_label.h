// MemoryLabel: a label whose text is measured by a fixed rule.
#pragma once

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
              platform::LabelEvents& events);
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view text) override;
  std::string toolTipText() const override { return toolTip_; }
  void setToolTipText(std::string_view text) override;
  float width() const override;
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
