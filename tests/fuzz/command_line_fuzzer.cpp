// Fuzzes how a start's command line is cut and matched. Any command line
// the system hands over must cut without a crash into the program's name and
// an argument string that is the tail of the command line, and a switch may
// only be recognised when the argument string is exactly that switch.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "clock/startup_switches.h"
#include "fuzz_check.h"
#include "platform/command_line.h"

namespace {

using quorvo::clock::matchSwitch;
using quorvo::clock::StartSwitch;
using quorvo::platform::argumentString;
using quorvo::platform::splitProgram;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool endsWith(std::string_view text, std::string_view tail) {
  return tail.size() <= text.size() &&
         text.substr(text.size() - tail.size()) == tail;
}

// The switches a start understands, spelt out independently of the program.
struct KnownSwitch {
  std::string_view text;
  StartSwitch value;
};
constexpr KnownSwitch kKnownSwitches[] = {
    {"", StartSwitch::kNone},
    {"-date", StartSwitch::kDate},
    {"-time", StartSwitch::kTime},
    {"-timesec", StartSwitch::kTimeSec},
    {"-timedate", StartSwitch::kTimeDate},
    {"-timedatesec", StartSwitch::kTimeDateSec},
    {"-noadjust", StartSwitch::kNoAdjust},
};

StartSwitch expectedSwitch(std::string_view arguments) {
  for (const KnownSwitch& known : kKnownSwitches) {
    if (arguments == known.text) return known.value;
  }
  return StartSwitch::kUnknown;
}

void checkMatch(std::string_view arguments) {
  const StartSwitch found = matchSwitch(arguments);
  QUORVO_FUZZ_CHECK(found == expectedSwitch(arguments),
                    "\"%.*s\" matched switch %d, expected %d",
                    static_cast<int>(arguments.size()), arguments.data(),
                    static_cast<int>(found),
                    static_cast<int>(expectedSwitch(arguments)));
}

void checkSplit(std::string_view commandLine) {
  const auto parts = splitProgram(commandLine);
  const std::string_view rest = parts.rest;
  // The rest points into the command line and runs to its end.
  QUORVO_FUZZ_CHECK(rest.size() <= commandLine.size() &&
                        rest.data() == commandLine.data() +
                                           (commandLine.size() - rest.size()),
                    "the rest is not the tail of the command line");
  const std::string_view head =
      commandLine.substr(0, commandLine.size() - rest.size());
  if (!commandLine.empty() && commandLine.front() == '"') {
    // A quoted name: the quotes go, everything up to the closing one stays,
    // and without a closing quote the whole line is the name.
    const bool closed = head == "\"" + parts.program + "\"";
    const bool unclosed = head == "\"" + parts.program && rest.empty() &&
                          parts.program.find('"') == std::string::npos;
    QUORVO_FUZZ_CHECK(closed || unclosed,
                      "quoted name \"%s\" does not rebuild the head",
                      parts.program.c_str());
    QUORVO_FUZZ_CHECK(parts.program.find('"') == std::string::npos,
                      "the name kept a quote");
  } else {
    QUORVO_FUZZ_CHECK(head == parts.program,
                      "name \"%s\" is not the head of the command line",
                      parts.program.c_str());
    QUORVO_FUZZ_CHECK(parts.program.find_first_of(" \t") == std::string::npos,
                      "an unquoted name holds a blank");
    QUORVO_FUZZ_CHECK(rest.empty() || isBlank(rest.front()),
                      "the name stopped before a blank");
  }

  // The argument string is the rest without one separating blank.
  const std::string arguments = argumentString(commandLine);
  QUORVO_FUZZ_CHECK(endsWith(commandLine, arguments),
                    "the argument string is not a tail of the command line");
  const std::string_view expected =
      !rest.empty() && isBlank(rest.front()) ? rest.substr(1) : rest;
  QUORVO_FUZZ_CHECK(arguments == expected,
                    "argument string \"%s\" is not the rest after one blank",
                    arguments.c_str());
  checkMatch(arguments);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkSplit(input);
  // The input as an argument string of its own, as a runtime that cuts the
  // command line differently would hand it over.
  checkMatch(input);
  return 0;
}
