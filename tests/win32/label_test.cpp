// The label: a STATIC control whose window text is the caption, sized to
// the caption's extent in the form's font, with a tooltip made when the
// pointer first comes; an unchanged caption costs nothing.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>
#include <vector>

#include "platform/twips.h"
#include "platform/win32/common_controls.h"
#include "platform/win32/form.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::MessageCounter;
using win32_testing::windowText;

class Win32LabelTest : public win32_testing::FormFixture {
 protected:
  Win32LabelTest() { placeAt(3000, 600); }

  // The pointer moves over the label, as a person's would.
  void pointAt(const Win32Label& target) {
    SendMessageW(target.window(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  }

  // The tip holds one tool with the text, or none for no text.
  void expectTool(const Win32Label& target, const std::string& text) {
    EXPECT_EQ(SendMessageW(target.toolTipWindow(), TTM_GETTOOLCOUNT, 0, 0),
              text.empty() ? 0 : 1);
    wchar_t buffer[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = kToolInfoSize;
    tool.hwnd = form->window();
    tool.uId = reinterpret_cast<UINT_PTR>(target.window());
    tool.lpszText = buffer;
    SendMessageW(target.toolTipWindow(), TTM_GETTEXTW, 256,
                 reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(toUtf8(buffer), text);
  }

  Win32Label& label = addLabel();
};

// A STATIC child 15 twips inside the client area, in the form's font,
// whose window text is the caption as it is ("&" is no access key) and
// whose size is the caption's extent, from the design caption on: no
// width and one line high for no text.
TEST_F(Win32LabelTest, EachCaptionIsTheWindowTextAndSizesTheLabel) {
  wchar_t className[32] = {};
  ASSERT_GT(GetClassNameW(label.window(), className, 32), 0);
  EXPECT_EQ(CompareStringOrdinal(className, -1, L"Static", -1, TRUE),
            CSTR_EQUAL);
  EXPECT_EQ(GetParent(label.window()), form->window());
  const auto style =
      static_cast<DWORD>(GetWindowLongPtrW(label.window(), GWL_STYLE));
  EXPECT_EQ(style & (SS_TYPEMASK | SS_NOTIFY | SS_NOPREFIX | WS_BORDER),
            static_cast<DWORD>(SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX));
  const Rect at = win32_testing::windowRect(label.window());
  POINT corner{at.left, at.top};
  ASSERT_TRUE(ScreenToClient(form->window(), &corner));
  EXPECT_EQ(corner.x, twipsToPixels(15, form->dpi()));
  EXPECT_EQ(corner.y, twipsToPixels(15, form->dpi()));
  EXPECT_EQ(
      reinterpret_cast<HFONT>(SendMessageW(label.window(), WM_GETFONT, 0, 0)),
      form->font());

  const float lineHeight = label.height();
  struct Row {
    const char* caption;
    bool wider = false;  // than the one before
  };
  const unsigned dpi = form->dpi();
  float before = 0;
  for (const Row& row :
       {Row{"Time"}, Row{"9:05:03 PM"}, Row{"Montag, M\xC3\xA4rz 4 2024"},
        Row{"Dat&e && Time"}, Row{"9:05 PM"},
        Row{"9:05 PM  Monday, March 4 2024", true},
        Row{"12:05 AM  Monday, March 4 2024"}, Row{"W"}, Row{"i"}, Row{""}}) {
    SCOPED_TRACE(row.caption);
    label.setCaption(row.caption);  // the design caption first: unchanged
    EXPECT_EQ(windowText(label.window()), row.caption);
    EXPECT_EQ(label.caption(), row.caption);
    const SIZE expected =
        win32_testing::textExtent(form->window(), form->font(), row.caption);
    EXPECT_FLOAT_EQ(label.width(), pixelsToTwips(expected.cx, dpi));
    EXPECT_FLOAT_EQ(label.height(), pixelsToTwips(expected.cy, dpi));
    const Rect r = win32_testing::windowRect(label.window());
    EXPECT_EQ(r.right - r.left, expected.cx);
    EXPECT_EQ(r.bottom - r.top, expected.cy);
    if (*row.caption == '\0') {
      EXPECT_FLOAT_EQ(label.width(), 0);
      EXPECT_FLOAT_EQ(label.height(), lineHeight);
    } else {
      EXPECT_GT(label.width(), 0);
    }
    if (row.wider) {
      EXPECT_GT(label.width(), before);
    }
    before = label.width();
  }
}

TEST_F(Win32LabelTest, UnchangedCaptionSendsNothingAndPaintsNothing) {
  form->show();
  label.setCaption("9:05:03 PM");
  UpdateWindow(form->window());
  MessageCounter labelMessages(label.window());
  MessageCounter formMessages(form->window());
  label.setCaption("9:05:03 PM");
  label.setCaption("9:05:03 PM");
  EXPECT_EQ(labelMessages.count(WM_SETTEXT), 0);
  EXPECT_EQ(labelMessages.count(WM_WINDOWPOSCHANGING), 0);
  EXPECT_EQ(formMessages.count(WM_WINDOWPOSCHANGING), 0);
  // A STATIC control asks its parent for colours whenever it paints.
  EXPECT_EQ(formMessages.count(WM_CTLCOLORSTATIC), 0);
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(label.window(), &update, FALSE));
  EXPECT_FALSE(GetUpdateRect(form->window(), &update, FALSE));
  // The same checks see a real change: painted at once, or due to be.
  label.setCaption("9:05:04 PM");
  EXPECT_EQ(labelMessages.count(WM_SETTEXT), 1);
  EXPECT_TRUE(formMessages.count(WM_CTLCOLORSTATIC) > 0 ||
              GetUpdateRect(label.window(), &update, FALSE));
  // A new text of the same extent is set, but sizes nothing.
  label.setCaption("ab");
  const MessageCounter sameExtent(label.window());
  label.setCaption("ba");
  EXPECT_EQ(sameExtent.count(WM_SETTEXT), 1);
  EXPECT_EQ(sameExtent.count(WM_WINDOWPOSCHANGING), 0);
}

// Made when the pointer first comes over the label, not before nor again,
// with the text set before it existed and no tool without a text. Shown
// also while the clock window is inactive, which it nearly always is, and
// with "&" as it is.
TEST_F(Win32LabelTest, TheToolTipIsMadeWhenThePointerFirstComes) {
  for (const std::string text : {"Monday, March 4 2024", ""}) {
    SCOPED_TRACE(text);
    Win32Label& target = addLabel();
    target.setToolTipText(text);
    EXPECT_EQ(target.toolTipWindow(), nullptr);
    SendMessageW(target.window(), WM_TIMER, 0, 0);  // anything but the mouse
    EXPECT_EQ(target.toolTipWindow(), nullptr);
    pointAt(target);
    const HWND tip = target.toolTipWindow();
    ASSERT_NE(tip, nullptr);
    expectTool(target, text);
    pointAt(target);
    EXPECT_EQ(target.toolTipWindow(), tip);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(tip, GWL_STYLE));
    EXPECT_EQ(style & (TTS_ALWAYSTIP | TTS_NOPREFIX),
              static_cast<DWORD>(TTS_ALWAYSTIP | TTS_NOPREFIX));
  }
}

// Each new text reaches the tip, and no text takes the tool away; an
// unchanged text sends the tip nothing.
TEST_F(Win32LabelTest, ToolTipShowsTheTextAndNoneWhenEmpty) {
  pointAt(label);
  ASSERT_NE(label.toolTipWindow(), nullptr);
  int requests = 0;  // messages of the tip's own, from WM_USER on
  MessageCounter tipMessages(label.toolTipWindow());
  tipMessages.onMessage = [&requests](UINT message, LPARAM) {
    if (message >= WM_USER && message <= 0x7FFF) ++requests;
  };
  std::string shown;
  for (const std::string text :
       {"", "Monday, March 4 2024", "Monday, March 4 2024", "9:05 PM", "",
        "Tuesday, March 5 2024"}) {
    SCOPED_TRACE(text);
    requests = 0;
    label.setToolTipText(text);
    EXPECT_EQ(requests > 0, text != shown);
    shown = text;
    EXPECT_EQ(label.toolTipText(), text);
    expectTool(label, text);
  }
}

TEST_F(Win32LabelTest, TheLabelPassesTheMouseToItsToolTip) {
  pointAt(label);
  ASSERT_NE(label.toolTipWindow(), nullptr);
  MessageCounter tipMessages(label.toolTipWindow());
  pointAt(label);
  SendMessageW(label.window(), WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(tipMessages.count(TTM_RELAYEVENT), 2);
}

TEST_F(Win32LabelTest, UnloadedFormRefusesNewCaptions) {
  pointAt(label);
  ASSERT_NE(label.toolTipWindow(), nullptr);
  const HWND tip = label.toolTipWindow();
  form->unload();
  EXPECT_FALSE(IsWindow(tip));
  EXPECT_EQ(label.window(), nullptr);
  EXPECT_EQ(label.toolTipWindow(), nullptr);
  EXPECT_EQ(label.caption(), "Time");
  EXPECT_NO_THROW(label.setCaption("Time"));  // unchanged: nothing to do
  EXPECT_THROW(label.setCaption("9:05 PM"), RuntimeError);
  EXPECT_THROW(label.setToolTipText("x"), RuntimeError);
}

}  // namespace
}  // namespace quorvo::platform::win32
