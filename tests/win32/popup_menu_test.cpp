// The popup menu built from the program's menu items, and choosing from it.
#include "platform/win32/popup_menu.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/menu_item.h"
#include "platform/win32/form.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

// What a popup shows, item by item: "-" for a separator line, else the
// caption with " [checked]" and " [grayed]" where they apply. Checks on
// the way that the command ids lead back to the menu items, in order.
std::vector<std::string> shown(const PopupMenu& popup) {
  std::vector<std::string> result;
  UINT command = 0;
  for (int i = 0; i < GetMenuItemCount(popup.menu.get()); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_ID;
    info.dwTypeData = text;
    info.cch = 128;
    EXPECT_TRUE(
        GetMenuItemInfoW(popup.menu.get(), static_cast<UINT>(i), TRUE, &info));
    if ((info.fType & MFT_SEPARATOR) != 0) {
      result.push_back("-");
      continue;
    }
    const std::string caption = toUtf8(text);
    EXPECT_EQ(info.wID, ++command) << caption;
    EXPECT_LE(command, popup.commands.size());
    if (command <= popup.commands.size()) {
      EXPECT_EQ(popup.commands[command - 1]->caption(), caption);
    }
    result.push_back(caption +
                     ((info.fState & MFS_CHECKED) != 0 ? " [checked]" : "") +
                     ((info.fState & MFS_GRAYED) != 0 ? " [grayed]" : ""));
  }
  EXPECT_EQ(popup.commands.size(), command);
  EXPECT_EQ(GetMenuDefaultItem(popup.menu.get(), FALSE, 0),
            static_cast<UINT>(-1));
  return result;
}

// The options menu's shape: modes, a switch, separators, a command.
class PopupMenuTest : public win32_testing::FormFixture {
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

// Captions go in as they are: Win32 reads "&" as the program does.
TEST_F(PopupMenuTest, EachBuildShowsTheVisibleItemsWithTheirStatesThen) {
  MenuItem empty{{"Config"}};
  struct Step {
    const char* name;
    std::function<void()> change;
    const MenuItem* menu;
    std::vector<std::string> shown;
  };
  const std::vector<Step> steps = {
      {"at design time",
       [] {},
       &config,
       {"Just &Date", "Just &Time [checked]", "Dat&e && Time",
        "&Seconds [checked]", "-", "&Adjust Date/Time", "24 hour time", "-",
        "About", "E&xit"}},
      {"marks changed after a build",
       [&] {
         (void)buildPopupMenu(config);
         jTime.setChecked(false);
         dateTime.setChecked(true);
       },
       &config,
       {"Just &Date", "Just &Time", "Dat&e && Time [checked]",
        "&Seconds [checked]", "-", "&Adjust Date/Time", "24 hour time", "-",
        "About", "E&xit"}},
      {"-noadjust and -date: hidden items left out, disabled ones grayed",
       [&] {
         set.setEnabled(false);
         set.setVisible(false);
         split1.setVisible(false);
         seconds.setVisible(false);
         hours24.setEnabled(false);
       },
       &config,
       {"Just &Date", "Just &Time", "Dat&e && Time [checked]",
        "24 hour time [grayed]", "-", "About", "E&xit"}},
      {"no items", [] {}, &empty, {}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.change();
    EXPECT_EQ(shown(buildPopupMenu(*step.menu)), step.shown);
  }
}

TEST_F(PopupMenuTest, TheChosenItemRaisesItsClickAndNoChoiceNothing) {
  placeAt();
  form->show();
  struct Row {
    std::vector<WPARAM> keys;
    std::vector<std::string> clicks;
  };
  for (const Row& row :
       {Row{{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {"dateTime"}},
        Row{{VK_DOWN, VK_ESCAPE}, {}}}) {
    clicks.clear();
    win32_testing::popupTyping(*form, config, row.keys);
    EXPECT_EQ(clicks, row.clicks);
  }
}

TEST_F(PopupMenuTest, UnloadedFormCannotOpenAMenu) {
  form->unload();
  EXPECT_THROW(
      form->popupMenu(config, kPopupMenuRightButton, PopupPlace::kAtPointer),
      RuntimeError);
}

}  // namespace
}  // namespace quorvo::platform::win32
