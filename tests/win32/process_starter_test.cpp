// Starting programs: from the system directory only, without waiting.
#include "platform/win32/process_starter.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/services.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

std::wstring systemDirectory() {
  wchar_t directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  EXPECT_GT(length, 0u);
  return std::wstring(directory, length);
}

// A bare name is a program of the system directory; a full path is taken
// as it stands; a relative path or no name is refused.
TEST(ProcessStarterTest, OnlySystemProgramsAndFullPathsAreTaken) {
  const std::wstring system = systemDirectory();
  const std::vector<std::pair<const char*, std::wstring>> rows = {
      {"rundll32.exe", system + L"\\rundll32.exe"},
      {"rundll32", system + L"\\rundll32.exe"},
      {"C:\\Tools\\clock.exe", L"C:\\Tools\\clock.exe"},
      {"\\\\server\\share\\clock.exe", L"\\\\server\\share\\clock.exe"},
      {"tools\\clock.exe", L""},
      {".\\rundll32.exe", L""},
      {"C:rundll32.exe", L""},
      {"", L""},
  };
  for (const auto& [name, file] : rows) {
    SCOPED_TRACE(name);
    if (file.empty()) {
      EXPECT_THROW((void)resolveProgramFile(name), RuntimeError);
    } else {
      EXPECT_EQ(resolveProgramFile(name), file);
    }
  }
}

TEST(ProcessStarterTest, StartsWithTheWholeCommandLineAndDoesNotWait) {
  Win32ProcessStarter starter;
  const std::uint32_t id = starter.shell("cmd.exe /c exit 7", SW_HIDE);
  EXPECT_NE(id, 0u);
  const UniqueHandle process(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  ASSERT_TRUE(process);
  EXPECT_EQ(win32_testing::exitCode(process.get()), 7u);
}

TEST(ProcessStarterTest, MissingProgramIsAnError) {
  Win32ProcessStarter starter;
  EXPECT_THROW((void)starter.shell("no-such-program-quorvo.exe", SW_SHOW),
               RuntimeError);
  EXPECT_THROW((void)starter.shell("", SW_SHOW), RuntimeError);
}

TEST(ProcessStarterTest, ProgramInTheCurrentDirectoryIsNeverStarted) {
  // A copy of cmd.exe planted under a name that exists nowhere else.
  const std::wstring directory = win32_testing::tempPath(L"quorvo-plant");
  ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr));
  const std::wstring planted = directory + L"\\quorvo-planted.exe";
  ASSERT_TRUE(CopyFileW((systemDirectory() + L"\\cmd.exe").c_str(),
                        planted.c_str(), FALSE));
  wchar_t previous[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(directory.c_str()));
  Win32ProcessStarter starter;
  EXPECT_THROW((void)starter.shell("quorvo-planted.exe /c exit 0", SW_HIDE),
               RuntimeError);
  EXPECT_THROW((void)starter.shell("quorvo-planted /c exit 0", SW_HIDE),
               RuntimeError);
  SetCurrentDirectoryW(previous);
  // The file was there to be found by a search.
  EXPECT_NE(GetFileAttributesW(planted.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(planted.c_str());
  RemoveDirectoryW(directory.c_str());
}

}  // namespace
}  // namespace quorvo::platform::win32
