// The popup menu built from the program's menu items, and choosing from it.
#include "platform/win32/popup_menu.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/menu_item.h"
#include "platform/win32/form.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

struct Entry {
  std::string text;
  bool separator;
  bool checked;
  bool grayed;
  bool submenu;
};

std::vector<Entry> entries(HMENU menu) {
  std::vector<Entry> result;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 128;
    EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
    result.push_back({toUtf8(text), (info.fType & MFT_SEPARATOR) != 0,
                      (info.fState & MFS_CHECKED) != 0,
                      (info.fState & MFS_GRAYED) != 0,
                      info.hSubMenu != nullptr});
  }
  return result;
}

// The options menu's shape: modes, a switch, separators, a command.
class PopupMenuTest : public ::testing::Test {
 protected:
  PopupMenuTest() {
    for (MenuItem* item : {&jDate, &jTime, &dateTime, &seconds, &split1, &set,
                           &hours24, &split, &about, &exitItem}) {
      config.addItem(*item);
    }
  }

  std::vector<std::string> clicks;
  MenuItem config{{"Config"}};
  MenuItem jDate{{"Just &Date"}, [this] { clicks.push_back("jDate"); }};
  MenuItem jTime{{"Just &Time", true}, [this] { clicks.push_back("jTime"); }};
  MenuItem dateTime{{"Dat&e && Time"},
                    [this] { clicks.push_back("dateTime"); }};
  MenuItem seconds{{"&Seconds", true}, [this] { clicks.push_back("seconds"); }};
  MenuItem split1{{"-"}};
  MenuItem set{{"&Adjust Date/Time"}, [this] { clicks.push_back("set"); }};
  MenuItem hours24{{"24 hour time"}, [this] { clicks.push_back("24"); }};
  MenuItem split{{"-"}};
  MenuItem about{{"About"}, [this] { clicks.push_back("about"); }};
  MenuItem exitItem{{"E&xit"}, [this] { clicks.push_back("exit"); }};
};

TEST_F(PopupMenuTest, ListsTheItemsBelowTheMenuWithTheirStates) {
  const PopupMenu popup = buildPopupMenu(config);
  const std::vector<Entry> shown = entries(popup.menu.get());
  ASSERT_EQ(shown.size(), 10u);
  EXPECT_EQ(shown[0].text, "Just &Date");
  EXPECT_FALSE(shown[0].checked);
  EXPECT_EQ(shown[1].text, "Just &Time");
  EXPECT_TRUE(shown[1].checked);
  EXPECT_EQ(shown[2].text, "Dat&e && Time");  // Win32 reads "&" the same way
  EXPECT_TRUE(shown[3].checked);
  EXPECT_TRUE(shown[4].separator);
  EXPECT_EQ(shown[5].text, "&Adjust Date/Time");
  EXPECT_TRUE(shown[7].separator);
  EXPECT_EQ(shown[9].text, "E&xit");
  for (const Entry& entry : shown) {
    if (!entry.separator) {
      EXPECT_FALSE(entry.grayed) << entry.text;
    }
    EXPECT_FALSE(entry.submenu);
  }
  EXPECT_EQ(GetMenuDefaultItem(popup.menu.get(), FALSE, 0),
            static_cast<UINT>(-1));
  // Command ids lead back to the items, separators excluded.
  ASSERT_EQ(popup.commands.size(), 8u);
  EXPECT_EQ(popup.commands[0], &jDate);
  EXPECT_EQ(popup.commands[7], &exitItem);
  EXPECT_EQ(GetMenuItemID(popup.menu.get(), 0), 1u);
  EXPECT_EQ(GetMenuItemID(popup.menu.get(), 9), 8u);
}

TEST_F(PopupMenuTest, HiddenItemsAreLeftOutAndDisabledOnesGrayed) {
  // The "-noadjust" and "-date" states.
  set.setEnabled(false);
  set.setVisible(false);
  split1.setVisible(false);
  seconds.setVisible(false);
  hours24.setEnabled(false);
  const PopupMenu popup = buildPopupMenu(config);
  const std::vector<Entry> shown = entries(popup.menu.get());
  std::vector<std::string> texts;
  int separators = 0;
  for (const Entry& entry : shown) {
    if (entry.separator) ++separators;
    texts.push_back(entry.separator ? "-" : entry.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Just &Date", "Just &Time",
                                             "Dat&e && Time", "24 hour time",
                                             "-", "About", "E&xit"}));
  EXPECT_EQ(separators, 1);
  EXPECT_TRUE(shown[3].grayed);
  EXPECT_EQ(popup.commands.size(), 6u);
}

TEST_F(PopupMenuTest, ChangedStatesShowAtTheNextBuild) {
  (void)buildPopupMenu(config);
  jTime.setChecked(false);
  dateTime.setChecked(true);
  const std::vector<Entry> shown = entries(buildPopupMenu(config).menu.get());
  EXPECT_FALSE(shown[1].checked);
  EXPECT_TRUE(shown[2].checked);
}

TEST_F(PopupMenuTest, EmptyMenuIsEmpty) {
  MenuItem lonely{{"Config"}};
  const PopupMenu popup = buildPopupMenu(lonely);
  EXPECT_EQ(GetMenuItemCount(popup.menu.get()), 0);
  EXPECT_TRUE(popup.commands.empty());
}

// Keys the test types into an open popup menu.
std::vector<WPARAM> gKeys;
HWND gKeyTarget = nullptr;

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
  wchar_t className[16] = {};
  if (GetClassNameW(window, className, 16) > 0 &&
      std::wstring(className) == L"#32768" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK TypeIntoMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow,
                    reinterpret_cast<LPARAM>(&menu));
  if (menu == nullptr) return;  // not open yet: try at the next tick
  KillTimer(nullptr, timer);
  for (const WPARAM key : gKeys) {
    PostMessageW(gKeyTarget, WM_KEYDOWN, key, 0);
    PostMessageW(gKeyTarget, WM_KEYUP, key, 0);
  }
}

// Safety net: a menu that no key reached is closed after a while.
void CALLBACK CloseStuckMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EndMenu();
}

class PopupChoiceTest : public PopupMenuTest {
 protected:
  PopupChoiceTest() {
    form->setWidth(1500);
    form->setHeight(450);
    form->setLeft(1500);
    form->setTop(1500);
    form->show();
    gKeyTarget = form->window();
  }

  void popupTyping(std::vector<WPARAM> keys) {
    gKeys = std::move(keys);
    const UINT_PTR typer = SetTimer(nullptr, 0, 50, TypeIntoMenu);
    const UINT_PTR closer = SetTimer(nullptr, 0, 10000, CloseStuckMenu);
    form->popupMenu(config, kPopupMenuRightButton, PopupPlace::kAtPointer);
    KillTimer(nullptr, typer);
    KillTimer(nullptr, closer);
  }

  win32_testing::TestRuntime runtime;
  win32_testing::RecordingFormEvents events;
  std::unique_ptr<Win32Form> form = win32_testing::createForm(*runtime, events);
};

TEST_F(PopupChoiceTest, ChosenItemRaisesItsClick) {
  popupTyping({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(clicks, (std::vector<std::string>{"dateTime"}));
}

TEST_F(PopupChoiceTest, ClosedWithoutChoiceRaisesNothing) {
  popupTyping({VK_DOWN, VK_ESCAPE});
  EXPECT_TRUE(clicks.empty());
}

TEST_F(PopupChoiceTest, FailingClickIsReportedAndTheWindowStays) {
  MenuItem failing{{"&Fail"}, [] { throw std::runtime_error("click"); }};
  MenuItem menu{{"Config"}};
  menu.addItem(failing);
  gKeys = {VK_DOWN, VK_RETURN};
  const UINT_PTR typer = SetTimer(nullptr, 0, 50, TypeIntoMenu);
  const UINT_PTR closer = SetTimer(nullptr, 0, 10000, CloseStuckMenu);
  form->popupMenu(menu, kPopupMenuRightButton, PopupPlace::kAtPointer);
  KillTimer(nullptr, typer);
  KillTimer(nullptr, closer);
  EXPECT_TRUE(IsWindow(form->window()));
  ASSERT_EQ(runtime.reporter.errors.size(), 1u);
  EXPECT_EQ(runtime.reporter.errors[0].what, "click");
}

TEST_F(PopupChoiceTest, UnloadedFormCannotOpenAMenu) {
  form->unload();
  EXPECT_THROW(
      form->popupMenu(config, kPopupMenuRightButton, PopupPlace::kAtPointer),
      RuntimeError);
}

}  // namespace
}  // namespace quorvo::platform::win32
