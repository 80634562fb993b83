// The events a form and its label raise into the program as the system's
// messages come (presses, double clicks, requests for the context menu, a
// close, the session's end), and the guard every entry point of the program
// runs in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/menu_item.h"
#include "platform/twips.h"
#include "platform/win32/form.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::Win32FormTest;

class Win32FormMouseTest : public win32_testing::FormFixture {
 protected:
  Win32Label& label = addLabel();
};

// A press gives its button, Shift and Ctrl, and its point in twips; a left
// double-click is an event of its own, a second right or middle press is a
// press again; a request for the context menu says whether it came from
// the keyboard (Shift+F10, the Menu key), and a right button's release asks
// for nothing, since its press opened the menu. The label's events are its
// own: the form's stay quiet, and the other way round.
TEST_F(Win32FormMouseTest, EachInputRaisesItsEventOnTheWindowItCameTo) {
  const auto none = std::vector<std::string>{};
  const LPARAM at = MAKELPARAM(2, 3);
  const LPARAM fromKeyboard = MAKELPARAM(-1, -1);
  const auto formWindow = reinterpret_cast<WPARAM>(hwnd());
  struct Row {
    bool onLabel;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* event;  // null: none
    std::int16_t button = 0;
    std::int16_t shift = 0;  // Shift 1 + Ctrl 2
  };
  constexpr WPARAM kShiftCtrl = MK_SHIFT | MK_CONTROL;
  const char* const press = "Form_MouseDown";
  const std::vector<Row> rows = {
      {false, WM_LBUTTONDOWN, kShiftCtrl, at, press, kLeftButton, 3},
      {false, WM_RBUTTONDOWN, kShiftCtrl, at, press, kRightButton, 3},
      {false, WM_MBUTTONDOWN, kShiftCtrl, at, press, kMiddleButton, 3},
      {false, WM_RBUTTONDBLCLK, kShiftCtrl, at, press, kRightButton, 3},
      {false, WM_MBUTTONDBLCLK, kShiftCtrl, at, press, kMiddleButton, 3},
      {false, WM_LBUTTONDOWN, MK_LBUTTON, at, press, kLeftButton, 0},
      {false, WM_LBUTTONDBLCLK, MK_LBUTTON, at, "Form_DblClick"},
      {false, WM_RBUTTONUP, 0, at, nullptr},
      {false, WM_CONTEXTMENU, formWindow, fromKeyboard, "Form_ContextMenu"},
      {false, WM_CONTEXTMENU, formWindow, MAKELPARAM(400, 300),
       "Form_ContextMenu"},
      {true, WM_LBUTTONDOWN, MK_SHIFT, at, "MouseDown", kLeftButton, 1},
      {true, WM_RBUTTONDOWN, MK_SHIFT, at, "MouseDown", kRightButton, 1},
      {true, WM_MBUTTONDOWN, MK_SHIFT, at, "MouseDown", kMiddleButton, 1},
      {true, WM_RBUTTONDBLCLK, MK_SHIFT, at, "MouseDown", kRightButton, 1},
      {true, WM_LBUTTONDBLCLK, MK_LBUTTON, at, "DblClick"},
      {true, WM_RBUTTONUP, 0, at, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << (row.onLabel ? "label, " : "form, ") << "message 0x"
                 << std::hex << row.message << ", point " << row.lParam);
    for (auto* log : {&events.log, &labelEvents.log}) log->clear();
    events.mouseDowns.clear();
    labelEvents.mouseDowns.clear();
    events.contextMenusFromKeyboard.clear();
    SendMessageW(row.onLabel ? label.window() : hwnd(), row.message, row.wParam,
                 row.lParam);
    const auto expected =
        row.event ? std::vector<std::string>{row.event} : none;
    EXPECT_EQ(row.onLabel ? labelEvents.log : events.log, expected);
    EXPECT_EQ(row.onLabel ? events.log : labelEvents.log, none);
    if (row.button != 0) {
      const auto& presses =
          row.onLabel ? labelEvents.mouseDowns : events.mouseDowns;
      ASSERT_EQ(presses.size(), 1u);
      EXPECT_EQ(presses[0].button, row.button);
      EXPECT_EQ(presses[0].shift & 3, row.shift);
      EXPECT_FLOAT_EQ(presses[0].x, pixelsToTwips(2, form->dpi()));
      EXPECT_FLOAT_EQ(presses[0].y, pixelsToTwips(3, form->dpi()));
    }
    if (row.message == WM_CONTEXTMENU) {
      EXPECT_EQ(events.contextMenusFromKeyboard,
                std::vector<bool>{row.lParam == fromKeyboard});
    }
  }
  // A person's double clicks come as WM_LBUTTONDBLCLK only to windows whose
  // class asks for them, and the label takes the mouse (SS_NOTIFY) rather
  // than letting it through to the form.
  for (const HWND window : {hwnd(), label.window()}) {
    EXPECT_NE(GetClassLongPtrW(window, GCL_STYLE) & CS_DBLCLKS, 0u);
  }
  const Rect r = win32_testing::windowRect(label.window());
  EXPECT_EQ(SendMessageW(label.window(), WM_NCHITTEST, 0,
                         MAKELPARAM(r.left + 1, r.top + 1)),
            HTCLIENT);
}

// A close request (Alt+F4, another program) may be refused; the end of the
// session closes whatever the program answers, and the program learns the
// window is gone. The runtime never destroys the window itself.
TEST_F(Win32FormTest,
       CloseRequestsAndTheSessionsEndRaiseQueryUnloadThenClosed) {
  using Log = std::vector<std::string>;
  const Log closed{"Form_QueryUnload", "Form_Closed"};
  struct Row {
    const char* name;
    UINT message;
    WPARAM wParam;
    std::int16_t cancel;
    const char* throwFrom;
    Log log;
    UnloadReason reason;
  };
  const auto control = UnloadReason::kControlMenu;
  const auto session = UnloadReason::kSessionEnding;
  // clang-format off
  const std::vector<Row> rows = {
      {"a close request", WM_CLOSE, 0, 0, "", closed, control},
      {"a refused close", WM_CLOSE, 0, -1, "", {"Form_QueryUnload"}, control},
      {"a close whose QueryUnload fails",
       WM_CLOSE, 0, 0, "Form_QueryUnload", closed, control},
      {"the session ends", WM_ENDSESSION, TRUE, 0, "", closed, session},
      {"the session ends, refused",
       WM_ENDSESSION, TRUE, -1, "", closed, session},
      {"the session goes on", WM_ENDSESSION, FALSE, 0, "", {}, session},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    events.log.clear();
    events.unloadReasons.clear();
    events.cancelWith = row.cancel;
    events.throwFrom = row.throwFrom;
    const std::size_t errors = reporter.errors.size();
    if (row.message == WM_ENDSESSION) {
      // Asked first whether the session may end: yes, and no event yet.
      EXPECT_EQ(SendMessageW(hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
      EXPECT_TRUE(events.log.empty());
    }
    SendMessageW(hwnd(), row.message, row.wParam, 0);
    EXPECT_EQ(events.log, row.log);
    EXPECT_EQ(events.unloadReasons,
              std::vector<UnloadReason>(row.log.size(), row.reason));
    EXPECT_EQ(reporter.errors.size() - errors,
              *row.throwFrom != '\0' ? 1u : 0u);
    EXPECT_TRUE(IsWindow(hwnd()));
  }
}

class Win32HandlerGuardTest : public win32_testing::FormFixture {};

// An error escaping a handler is reported under the handler's name, as the
// program names its handlers, and ends that handler only: the window stays
// and the next event runs.
TEST_F(Win32HandlerGuardTest, EveryEntryPointReportsUnderItsHandlerName) {
  Win32Label& label = addLabel();
  bool chosen = false;
  MenuItem failing{{.caption = "&Fail", .name = "mnuFail"},
                   [] { throw std::runtime_error("click"); }};
  MenuItem working{{.caption = "&Works"}, [&chosen] { chosen = true; }};
  MenuItem menu{{.caption = "Config"}};
  menu.addItem(failing);
  menu.addItem(working);
  placeAt();
  form->show();
  int ticks = 0;
  struct Row {
    const char* handler;
    const char* what;
    std::function<int()> fail;   // raises failing events; returns how many
    std::function<bool()> next;  // whether the next event runs
  };
  const std::vector<Row> rows = {
      {"Form_MouseDown", "Form_MouseDown failed",
       [&] {
         events.throwFrom = "Form_MouseDown";
         SendMessageW(hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(1, 1));
         SendMessageW(hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(1, 1));
         return 2;
       },
       [&] {
         SendMessageW(hwnd(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(1, 1));
         return events.log.back() == "Form_DblClick";
       }},
      {"lblTime_MouseDown", "MouseDown failed",
       [&] {
         labelEvents.throwFrom = "MouseDown";
         SendMessageW(label.window(), WM_RBUTTONDOWN, 0, MAKELPARAM(1, 1));
         return 1;
       },
       [&] {
         SendMessageW(label.window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(1, 1));
         return labelEvents.log.back() == "DblClick";
       }},
      {"mnuFail_Click", "click",
       [&] {
         win32_testing::popupTyping(*form, menu, {VK_DOWN, VK_RETURN});
         return 1;
       },
       [&] {
         win32_testing::popupTyping(*form, menu, {VK_DOWN, VK_DOWN, VK_RETURN});
         return chosen;
       }},
      {"tmrTest_Timer", "tick failed",
       [&] {
         Timer& timer = form->addTimer({10, true, "tmrTest"}, [&ticks] {
           ++ticks;
           throw std::runtime_error("tick failed");
         });
         // The timer goes on ticking after its handler failed.
         EXPECT_TRUE(win32_testing::pumpUntil([&ticks] { return ticks >= 3; }));
         timer.setEnabled(false);
         return ticks;
       },
       [&] { return ticks >= 3; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.handler);
    const std::size_t before = reporter.errors.size();
    const int failures = row.fail();
    EXPECT_TRUE(IsWindow(hwnd()));
    const auto& errors = reporter.errors;
    ASSERT_EQ(errors.size() - before, static_cast<std::size_t>(failures));
    for (std::size_t i = before; i < errors.size(); ++i) {
      EXPECT_EQ(errors[i].handler, row.handler);
      EXPECT_EQ(errors[i].what, row.what);
    }
    events.throwFrom.clear();
    labelEvents.throwFrom.clear();
    EXPECT_TRUE(row.next());
  }
}

}  // namespace
}  // namespace quorvo::platform::win32
