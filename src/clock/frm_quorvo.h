// The clock window frmQuorvo: one label showing the clock text, one timer
// rebuilding it ten times a second, and the mouse handling that moves the
// window and opens the options menu.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/forms.h"
#include "platform/services.h"

namespace quorvo {
class Quorvo;
}

namespace quorvo::clock {

// Layout, in twips.
inline constexpr float kLabelInset = 15;        // label to client-area corner
inline constexpr float kLoadWidthMargin = 115;  // window over label at load
inline constexpr float kHeightMargin = 65;     // at load, and when fonts change
inline constexpr float kTickWidthMargin = 90;  // window over label per tick
inline constexpr int kTickIntervalMs = 100;

class FrmQuorvo : public platform::FormEvents, private platform::LabelEvents {
 public:
  explicit FrmQuorvo(Quorvo& program);
  FrmQuorvo(const FrmQuorvo&) = delete;
  FrmQuorvo& operator=(const FrmQuorvo&) = delete;

  platform::Form& form() { return *form_; }

  void Form_Load();
  void tmrGetTime_Timer();
  void Form_MouseDown(std::int16_t button, std::int16_t shift, float x,
                      float y) override;
  void lblTime_MouseDown(std::int16_t button, std::int16_t shift, float x,
                         float y);
  void Form_DblClick() override;
  void lblTime_DblClick();
  void Form_ContextMenu(bool fromKeyboard) override;
  void Form_QueryUnload(std::int16_t& cancel,
                        platform::UnloadReason reason) override;
  void Form_Closed(platform::UnloadReason reason) override;
  void Form_FontChanged() override;

 private:
  void MouseDown(std::int16_t button, std::int16_t shift, float x,
                 float y) override {
    lblTime_MouseDown(button, shift, x, y);
  }
  void DblClick() override { lblTime_DblClick(); }

  void placeAtStoredPosition();
  void handleMouseDown(std::int16_t button);
  void openOptionsMenu(
      platform::PopupPlace place = platform::PopupPlace::kAtPointer);

  Quorvo& program_;
  std::unique_ptr<platform::Form> form_;

 public:
  platform::Label& lblTime;
  platform::Timer& tmrGetTime;
  // The clock text between ticks; only the tick handler uses it.
  std::string strClockText;
};

}  // namespace quorvo::clock
