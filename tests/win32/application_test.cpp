// The application object: previous instance, argument string, end, message
// box. Some checks start this test program again as a child process.
#include "platform/win32/application.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/process_setup.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::uniqueName;

// Runs this program with its quoted path and `arguments` as the child's
// whole command line and reads back what its application object reported:
// "1" or "0" for a previous instance, then the argument string.
std::string probe(const std::wstring& arguments,
                  const std::wstring& mutexName) {
  const std::wstring out = win32_testing::tempPath(L"quorvo-probe");
  EXPECT_TRUE(SetEnvironmentVariableW(L"QUORVO_PROBE_OUT", out.c_str()));
  EXPECT_TRUE(
      SetEnvironmentVariableW(L"QUORVO_PROBE_MUTEX", mutexName.c_str()));
  std::wstring line = L"\"" + programPath() + L"\"" + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(programPath().c_str(), line.data(), nullptr, nullptr,
                     FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(L"QUORVO_PROBE_OUT", nullptr);
  SetEnvironmentVariableW(L"QUORVO_PROBE_MUTEX", nullptr);
  EXPECT_TRUE(started);
  if (!started) return {};
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  EXPECT_EQ(win32_testing::exitCode(process.hProcess), 0u);
  std::ifstream file(std::filesystem::path(out), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  file.close();
  DeleteFileW(out.c_str());
  return text;
}

class Win32ApplicationTest : public win32_testing::FormFixture {
 protected:
  const std::wstring mutexName = L"Local\\" + uniqueName(L"Quorvo.Test");
};

// The first holder of the mark is no previous instance, the second is, in
// this process or another, and the mark goes with its last holder.
TEST_F(Win32ApplicationTest, OnlyTheFirstHolderOfTheMarkIsNoPreviousOne) {
  EXPECT_EQ(probe(L"", mutexName), "0");
  {
    Win32Application first(mutexName);
    EXPECT_FALSE(first.prevInstance());
    Win32Application second(mutexName);
    EXPECT_TRUE(second.prevInstance());
    EXPECT_FALSE(first.prevInstance());  // fixed at construction
    EXPECT_EQ(probe(L"", mutexName), "1");
  }
  Win32Application again(mutexName);
  EXPECT_FALSE(again.prevInstance());
}

TEST_F(Win32ApplicationTest, ArgumentStringFollowsTheProgramName) {
  const std::vector<std::pair<std::wstring, std::string>> rows = {
      {L"", ""},
      {L" -date", "-date"},
      {L" -noadjust", "-noadjust"},
      {L"  -date", " -date"},
      {L" -time ", "-time "},
      {L" -date -noadjust", "-date -noadjust"},
      {L" -D\u00E4te", "-D\xC3\xA4te"},
      {L" \"-date\"", "\"-date\""},
      // As this test program is started itself.
      {L" --gtest_filter=Win32ApplicationTest.*",
       "--gtest_filter=Win32ApplicationTest.*"},
  };
  for (const auto& [arguments, expected] : rows) {
    SCOPED_TRACE(expected);
    // No previous instance under a mark of its own, then the arguments.
    EXPECT_EQ(probe(arguments, L"Local\\" + uniqueName(L"Quorvo.Test")),
              "0" + expected);
  }
}

TEST_F(Win32ApplicationTest, RestartAfterAnUpdateWithTheSameSwitchOnly) {
  registerForRestart("-timesec");
  WCHAR commandLine[RESTART_MAX_CMD_LINE]{};
  DWORD size = RESTART_MAX_CMD_LINE;
  DWORD flags = 0;
  const HRESULT result = GetApplicationRestartSettings(
      GetCurrentProcess(), commandLine, &size, &flags);
  if (result == E_NOTIMPL) {
    GTEST_SKIP() << "this system cannot report a restart registration";
  }
  ASSERT_EQ(result, S_OK);
  EXPECT_STREQ(commandLine, L"-timesec");
  EXPECT_EQ(flags, static_cast<DWORD>(RESTART_NO_CRASH | RESTART_NO_HANG));
}

TEST_F(Win32ApplicationTest, EndPostsOneQuitAndCallsTheEndHandlerOnce) {
  Win32Application app(mutexName);
  int ends = 0;
  app.setEndHandler([&ends] { ++ends; });
  EXPECT_FALSE(app.ended());
  app.end();
  app.end();
  EXPECT_TRUE(app.ended());
  EXPECT_EQ(ends, 1);
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
}

TEST_F(Win32ApplicationTest, MessageBoxBelongsToTheVisibleForm) {
  placeAt();
  form->show();
  HWND owner = nullptr;
  std::string title;
  std::string text;  // of the first Static control with any
  int button = 0;
  win32_testing::whenOpen(
      L"#32770",
      [&](HWND box) {
        owner = GetWindow(box, GW_OWNER);
        title = win32_testing::windowText(box);
        HWND child = nullptr;
        while (text.empty() && (child = FindWindowExW(box, child, L"Static",
                                                      nullptr)) != nullptr) {
          text = win32_testing::windowText(child);
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      },
      [&] {
        button = runtime->app().msgBox("Quorvo 1.62\r\nBuild date",
                                       MB_ICONINFORMATION, "About Quorvo");
      });
  EXPECT_EQ(button, IDOK);
  EXPECT_EQ(owner, form->window());
  EXPECT_EQ(title, "About Quorvo");
  EXPECT_EQ(text.rfind("Quorvo 1.62", 0), 0u);
}

}  // namespace
}  // namespace quorvo::platform::win32
