// The label: a STATIC control whose window text is the caption, sized to
// the caption's extent in the form's font, with a tooltip made when the
// pointer first comes; an unchanged caption costs nothing.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

#include "platform/twips.h"
#include "platform/win32/form.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::MessageCounter;
using win32_testing::windowText;

class Win32LabelTest : public ::testing::Test {
 protected:
  Win32LabelTest() {
    form->setWidth(3000);
    form->setHeight(600);
    form->setLeft(1500);
    form->setTop(1500);
  }

  HWND labelWindow() { return label.window(); }

  // The pointer moves over the label, as a person's would.
  void pointAtLabel() {
    SendMessageW(labelWindow(), WM_MOUSEMOVE, 0, point(2, 2));
  }

  // The extent of a text in the form's font, measured here independently.
  SIZE extent(const std::string& text) {
    const std::wstring wide = toUtf16(text);
    const WindowDc dc(form->window());
    const SelectedObject font(dc.get(), form->font());
    SIZE size{};
    if (wide.empty()) {
      TEXTMETRICW metrics{};
      EXPECT_TRUE(GetTextMetricsW(dc.get(), &metrics));
      size.cy = metrics.tmHeight;
    } else {
      EXPECT_TRUE(GetTextExtentPoint32W(dc.get(), wide.c_str(),
                                        static_cast<int>(wide.size()), &size));
    }
    return size;
  }

  SIZE windowSize(HWND window) {
    RECT r{};
    EXPECT_TRUE(GetWindowRect(window, &r));
    return {r.right - r.left, r.bottom - r.top};
  }

  int toolCount() {
    return static_cast<int>(
        SendMessageW(label.toolTipWindow(), TTM_GETTOOLCOUNT, 0, 0));
  }

  std::string toolText() {
    wchar_t buffer[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize =
        static_cast<UINT>(offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM));
    tool.hwnd = form->window();
    tool.uId = reinterpret_cast<UINT_PTR>(labelWindow());
    tool.lpszText = buffer;
    SendMessageW(label.toolTipWindow(), TTM_GETTEXTW, 256,
                 reinterpret_cast<LPARAM>(&tool));
    return toUtf8(buffer);
  }

  LPARAM point(int x, int y) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(y) << 16) |
                               static_cast<std::uint32_t>(x));
  }

  win32_testing::TestRuntime runtime;
  win32_testing::RecordingFormEvents formEvents;
  win32_testing::RecordingLabelEvents events;
  std::unique_ptr<Win32Form> form =
      win32_testing::createForm(*runtime, formEvents);
  Win32Label& label = static_cast<Win32Label&>(
      form->addLabel({"Time", 15, 15, "lblTime"}, events));
};

TEST_F(Win32LabelTest, IsAStaticChildFifteenTwipsInside) {
  wchar_t className[32] = {};
  ASSERT_GT(GetClassNameW(labelWindow(), className, 32), 0);
  EXPECT_EQ(CompareStringOrdinal(className, -1, L"Static", -1, TRUE),
            CSTR_EQUAL);
  EXPECT_EQ(GetParent(labelWindow()), form->window());
  const auto style =
      static_cast<DWORD>(GetWindowLongPtrW(labelWindow(), GWL_STYLE));
  EXPECT_NE(style & SS_NOTIFY, 0u);
  EXPECT_NE(style & SS_NOPREFIX, 0u);
  EXPECT_EQ(style & WS_BORDER, 0u);
  EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFTNOWORDWRAP));
  RECT r{};
  ASSERT_TRUE(GetWindowRect(labelWindow(), &r));
  POINT corner{r.left, r.top};
  ASSERT_TRUE(ScreenToClient(form->window(), &corner));
  EXPECT_EQ(corner.x, twipsToPixels(15, form->dpi()));
  EXPECT_EQ(corner.y, twipsToPixels(15, form->dpi()));
  EXPECT_EQ(
      reinterpret_cast<HFONT>(SendMessageW(labelWindow(), WM_GETFONT, 0, 0)),
      form->font());
}

TEST_F(Win32LabelTest, WindowTextIsTheCaption) {
  EXPECT_EQ(windowText(labelWindow()), "Time");
  EXPECT_EQ(label.caption(), "Time");
  label.setCaption("9:05:03 PM");
  EXPECT_EQ(windowText(labelWindow()), "9:05:03 PM");
  label.setCaption("Montag, M\xC3\xA4rz 4 2024");
  EXPECT_EQ(windowText(labelWindow()), "Montag, M\xC3\xA4rz 4 2024");
  EXPECT_EQ(label.caption(), "Montag, M\xC3\xA4rz 4 2024");
  label.setCaption("Dat&e && Time");  // shown as it is, no access key
  EXPECT_EQ(windowText(labelWindow()), "Dat&e && Time");
}

TEST_F(Win32LabelTest, SizeIsTheCaptionExtentInTwips) {
  const unsigned dpi = form->dpi();
  for (const std::string text :
       {"Time", "9:05:03 PM", "12:05 AM  Monday, March 4 2024", "W", "i"}) {
    label.setCaption(text);
    const SIZE expected = extent(text);
    EXPECT_FLOAT_EQ(label.width(), pixelsToTwips(expected.cx, dpi)) << text;
    EXPECT_FLOAT_EQ(label.height(), pixelsToTwips(expected.cy, dpi)) << text;
    const SIZE actual = windowSize(labelWindow());
    EXPECT_EQ(actual.cx, expected.cx) << text;
    EXPECT_EQ(actual.cy, expected.cy) << text;
  }
}

TEST_F(Win32LabelTest, DesignCaptionIsMeasuredAtCreation) {
  const SIZE expected = extent("Time");
  EXPECT_FLOAT_EQ(label.width(), pixelsToTwips(expected.cx, form->dpi()));
  EXPECT_GT(label.width(), 0);
  EXPECT_GT(label.height(), 0);
}

TEST_F(Win32LabelTest, LongerCaptionWidensTheLabel) {
  label.setCaption("9:05 PM");
  const float narrow = label.width();
  label.setCaption("9:05 PM  Monday, March 4 2024");
  EXPECT_GT(label.width(), narrow);
}

TEST_F(Win32LabelTest, EmptyCaptionIsNoWidthAndOneLineHigh) {
  const float lineHeight = label.height();
  label.setCaption("");
  EXPECT_FLOAT_EQ(label.width(), 0);
  EXPECT_FLOAT_EQ(label.height(), lineHeight);
  EXPECT_EQ(windowText(labelWindow()), "");
}

TEST_F(Win32LabelTest, UnchangedCaptionSendsNothingAndPaintsNothing) {
  form->show();
  label.setCaption("9:05:03 PM");
  UpdateWindow(form->window());
  MessageCounter labelMessages(labelWindow());
  MessageCounter formMessages(form->window());
  label.setCaption("9:05:03 PM");
  label.setCaption("9:05:03 PM");
  EXPECT_EQ(labelMessages.count(WM_SETTEXT), 0);
  EXPECT_EQ(labelMessages.count(WM_WINDOWPOSCHANGING), 0);
  EXPECT_EQ(formMessages.count(WM_WINDOWPOSCHANGING), 0);
  // A STATIC control asks its parent for colours whenever it paints.
  EXPECT_EQ(formMessages.count(WM_CTLCOLORSTATIC), 0);
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(labelWindow(), &update, FALSE));
  EXPECT_FALSE(GetUpdateRect(form->window(), &update, FALSE));
  // The same checks see a real change: painted at once, or due to be.
  label.setCaption("9:05:04 PM");
  EXPECT_EQ(labelMessages.count(WM_SETTEXT), 1);
  EXPECT_TRUE(formMessages.count(WM_CTLCOLORSTATIC) > 0 ||
              GetUpdateRect(labelWindow(), &update, FALSE));
}

TEST_F(Win32LabelTest, NewTextOfTheSameExtentDoesNotResize) {
  label.setCaption("ab");
  MessageCounter labelMessages(labelWindow());
  label.setCaption("ba");
  EXPECT_EQ(labelMessages.count(WM_SETTEXT), 1);
  EXPECT_EQ(labelMessages.count(WM_WINDOWPOSCHANGING), 0);
}

TEST_F(Win32LabelTest, NoToolTipWindowUntilThePointerComes) {
  label.setToolTipText("Monday, March 4 2024");
  EXPECT_EQ(label.toolTipWindow(), nullptr);
  SendMessageW(labelWindow(), WM_TIMER, 0, 0);  // anything but the mouse
  EXPECT_EQ(label.toolTipWindow(), nullptr);
  pointAtLabel();
  ASSERT_NE(label.toolTipWindow(), nullptr);
  // The tip takes the text set before it existed, and there is only one.
  EXPECT_EQ(toolCount(), 1);
  EXPECT_EQ(toolText(), "Monday, March 4 2024");
  const HWND tip = label.toolTipWindow();
  pointAtLabel();
  EXPECT_EQ(label.toolTipWindow(), tip);
}

TEST_F(Win32LabelTest, NoToolIsAddedWhenThePointerComesWithoutText) {
  pointAtLabel();
  ASSERT_NE(label.toolTipWindow(), nullptr);
  EXPECT_EQ(toolCount(), 0);
}

TEST_F(Win32LabelTest, ToolTipShowsTheTextAndNoneWhenEmpty) {
  pointAtLabel();
  ASSERT_NE(label.toolTipWindow(), nullptr);
  EXPECT_EQ(label.toolTipText(), "");
  EXPECT_EQ(toolCount(), 0);
  label.setToolTipText("Monday, March 4 2024");
  EXPECT_EQ(toolCount(), 1);
  EXPECT_EQ(toolText(), "Monday, March 4 2024");
  label.setToolTipText("9:05 PM");
  EXPECT_EQ(toolCount(), 1);
  EXPECT_EQ(toolText(), "9:05 PM");
  EXPECT_EQ(label.toolTipText(), "9:05 PM");
  label.setToolTipText("");
  EXPECT_EQ(toolCount(), 0);
  EXPECT_EQ(label.toolTipText(), "");
  label.setToolTipText("Tuesday, March 5 2024");
  EXPECT_EQ(toolCount(), 1);
  EXPECT_EQ(toolText(), "Tuesday, March 5 2024");
}

TEST_F(Win32LabelTest, UnchangedToolTipSendsNothing) {
  pointAtLabel();
  label.setToolTipText("Monday, March 4 2024");
  MessageCounter tipMessages(label.toolTipWindow());
  label.setToolTipText("Monday, March 4 2024");
  EXPECT_EQ(tipMessages.countInRange(WM_USER, 0x7FFF), 0);
  label.setToolTipText("Tuesday, March 5 2024");
  EXPECT_GE(tipMessages.countInRange(WM_USER, 0x7FFF), 1);
}

TEST_F(Win32LabelTest, ToolTipIsShownAlsoForAnInactiveWindow) {
  pointAtLabel();
  ASSERT_NE(label.toolTipWindow(), nullptr);
  const auto style =
      static_cast<DWORD>(GetWindowLongPtrW(label.toolTipWindow(), GWL_STYLE));
  EXPECT_NE(style & TTS_ALWAYSTIP, 0u);
  EXPECT_NE(style & TTS_NOPREFIX, 0u);
}

TEST_F(Win32LabelTest, TheLabelPassesTheMouseToItsToolTip) {
  pointAtLabel();
  ASSERT_NE(label.toolTipWindow(), nullptr);
  MessageCounter tipMessages(label.toolTipWindow());
  pointAtLabel();
  SendMessageW(labelWindow(), WM_RBUTTONDOWN, 0, point(2, 2));
  EXPECT_EQ(tipMessages.count(TTM_RELAYEVENT), 2);
}

struct LabelMouseCase {
  UINT message;
  std::int16_t button;
};

class Win32LabelMouseTest
    : public Win32LabelTest,
      public ::testing::WithParamInterface<LabelMouseCase> {};

TEST_P(Win32LabelMouseTest, PressRaisesTheLabelsMouseDown) {
  SendMessageW(labelWindow(), GetParam().message, MK_SHIFT, point(2, 3));
  ASSERT_EQ(events.mouseDowns.size(), 1u);
  EXPECT_EQ(events.mouseDowns[0].button, GetParam().button);
  EXPECT_EQ(events.mouseDowns[0].shift & 1, 1);
  EXPECT_FLOAT_EQ(events.mouseDowns[0].x, pixelsToTwips(2, form->dpi()));
  EXPECT_FLOAT_EQ(events.mouseDowns[0].y, pixelsToTwips(3, form->dpi()));
  EXPECT_TRUE(formEvents.log.empty());  // the form's own events stay quiet
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Win32LabelMouseTest,
    ::testing::Values(LabelMouseCase{WM_LBUTTONDOWN, kLeftButton},
                      LabelMouseCase{WM_RBUTTONDOWN, kRightButton},
                      LabelMouseCase{WM_MBUTTONDOWN, kMiddleButton},
                      LabelMouseCase{WM_RBUTTONDBLCLK, kRightButton}));

TEST_F(Win32LabelTest, LeftDoubleClickRaisesDblClickOnly) {
  SendMessageW(labelWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, point(2, 2));
  EXPECT_EQ(events.log, (std::vector<std::string>{"DblClick"}));
}

TEST_F(Win32LabelTest, RealDoubleClicksReachTheLabel) {
  // Windows turns a second press into WM_LBUTTONDBLCLK only for a window
  // whose class asks for it.
  EXPECT_NE(GetClassLongPtrW(labelWindow(), GCL_STYLE) & CS_DBLCLKS, 0u);
}

TEST_F(Win32LabelTest, LabelTakesTheMouseInsteadOfPassingItOn) {
  // A STATIC without SS_NOTIFY would be transparent to the mouse.
  RECT r{};
  ASSERT_TRUE(GetWindowRect(labelWindow(), &r));
  const LRESULT hit = SendMessageW(
      labelWindow(), WM_NCHITTEST, 0,
      point(static_cast<int>(r.left + 1), static_cast<int>(r.top + 1)));
  EXPECT_EQ(hit, HTCLIENT);
}

TEST_F(Win32LabelTest, ThrowingHandlerLeavesTheLabelAlive) {
  events.throwFrom = "MouseDown";
  SendMessageW(labelWindow(), WM_RBUTTONDOWN, 0, point(1, 1));
  EXPECT_TRUE(IsWindow(labelWindow()));
  ASSERT_EQ(runtime.reporter.errors.size(), 1u);
  EXPECT_EQ(runtime.reporter.errors[0].what, "label mouse down");
  EXPECT_EQ(runtime.reporter.errors[0].handler, "lblTime_MouseDown");
  events.throwFrom.clear();
  SendMessageW(labelWindow(), WM_LBUTTONDBLCLK, 0, point(1, 1));
  EXPECT_EQ(events.log.back(), "DblClick");
}

TEST_F(Win32LabelTest, UnloadedFormRefusesNewCaptions) {
  pointAtLabel();
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
