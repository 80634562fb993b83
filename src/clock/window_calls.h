// FormDrag and FormOnTop: the window-manager calls behind moving the clock
// and keeping it above ordinary windows.
#pragma once

#include <cstdint>

#include "platform/forms.h"
#include "platform/services.h"

namespace quorvo::clock {

// Hands a left-button press to the window manager as a press on a caption
// bar, so the window follows the mouse until the button is released.
void FormDrag(platform::WindowManager& windows, platform::WindowHandle hWnd);

// Puts the form into the topmost band (onTop non-zero) or takes it out,
// without activating it, and writes the window manager's result back into
// onTop.
void FormOnTop(platform::WindowManager& windows, platform::Form& frm,
               std::int16_t& onTop);

}  // namespace quorvo::clock
