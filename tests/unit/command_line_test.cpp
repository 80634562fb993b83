// Cutting the argument string from a whole command line.
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clock/startup_switches.h"

namespace quorvo::platform {
namespace {

struct Row {
  std::string commandLine;
  std::string program;
  std::string arguments;
};

TEST(CommandLineTest, ArgumentStringFollowsTheNameAndOneBlank) {
  const std::vector<Row> rows = {
      {"Quorvo.exe", "Quorvo.exe", ""},
      {"Quorvo.exe -date", "Quorvo.exe", "-date"},
      {"\"C:\\Program Files\\Quorvo\\Quorvo.exe\" -date",
       "C:\\Program Files\\Quorvo\\Quorvo.exe", "-date"},
      {"\"C:\\Quorvo.exe\"", "C:\\Quorvo.exe", ""},
      {"\"C:\\Quorvo.exe\"-time", "C:\\Quorvo.exe", "-time"},
      {"Quorvo.exe  -date", "Quorvo.exe", " -date"},
      {"Quorvo.exe\t-date", "Quorvo.exe", "-date"},
      {"Quorvo.exe -date ", "Quorvo.exe", "-date "},
      {"Quorvo.exe -date -noadjust", "Quorvo.exe", "-date -noadjust"},
      {"\"C:\\unclosed -date", "C:\\unclosed -date", ""},
      {"", "", ""},
      {"\"\"", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.commandLine);
    EXPECT_EQ(splitProgram(row.commandLine).program, row.program);
    EXPECT_EQ(argumentString(row.commandLine), row.arguments);
  }
}

TEST(CommandLineTest, SwitchesMatchOnlyTheWholeStringInItsCase) {
  using clock::StartSwitch;
  const std::vector<std::pair<std::string, StartSwitch>> rows = {
      {"", StartSwitch::kNone},
      {"-date", StartSwitch::kDate},
      {"-time", StartSwitch::kTime},
      {"-timesec", StartSwitch::kTimeSec},
      {"-timedate", StartSwitch::kTimeDate},
      {"-timedatesec", StartSwitch::kTimeDateSec},
      {"-noadjust", StartSwitch::kNoAdjust},
      {" ", StartSwitch::kUnknown},
      {"-date ", StartSwitch::kUnknown},
      {"-Date", StartSwitch::kUnknown},
      {"-NOADJUST", StartSwitch::kUnknown},
      {"-timedatesecs", StartSwitch::kUnknown},
      {"date", StartSwitch::kUnknown},
      {std::string("-date\0", 6), StartSwitch::kUnknown},
  };
  for (const auto& [arguments, expected] : rows) {
    EXPECT_EQ(clock::matchSwitch(arguments), expected)
        << '"' << arguments << '"';
  }
}

}  // namespace
}  // namespace quorvo::platform
