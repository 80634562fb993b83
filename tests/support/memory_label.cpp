// MemoryLabel: caption and tooltip, and the width of a caption.
#include "memory_label.h"

#include <algorithm>
#include <cstddef>

namespace quorvo::testing {

namespace {

std::size_t codePoints(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(),
      [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

MemoryLabel::MemoryLabel(const platform::LabelDesign& design,
                         platform::LabelEvents& labelEvents)
    : events(labelEvents), name(design.name), caption_(design.caption) {}

void MemoryLabel::setCaption(std::string_view text) {
  if (text == caption_) return;
  caption_ = text;
  ++repaints;
}

float MemoryLabel::width() const {
  return static_cast<float>(codePoints(caption_)) * kCharWidth;
}

void MemoryLabel::setToolTipText(std::string_view text) {
  if (text == toolTip_) return;
  toolTip_ = text;
}

}  // namespace quorvo::testing
