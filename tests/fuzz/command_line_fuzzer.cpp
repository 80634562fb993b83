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

// Matching is by equality: a string that names a switch stops naming it
// when a character is added before or after it, the last one is dropped,
// or a letter changes case. Which strings are switches is pinned by the
// unit tests (CommandLineTest), not copied here.
void checkMatch(std::string_view arguments) {
  const StartSwitch found = matchSwitch(arguments);
  if (found == StartSwitch::kUnknown) return;
  const auto expectOther = [&](const std::string& other, const char* change) {
    QUORVO_FUZZ_CHECK(matchSwitch(other) != found,
                      "\"%.*s\" still matched switch %d with %s",
                      static_cast<int>(arguments.size()), arguments.data(),
                      static_cast<int>(found), change);
  };
  for (const char c : {' ', '\t', 'x', '\0'}) {
    expectOther(std::string(arguments) + c, "a character added after it");
    expectOther(c + std::string(arguments), "a character put before it");
  }
  if (!arguments.empty()) {
    expectOther(std::string(arguments.substr(0, arguments.size() - 1)),
                "its last character dropped");
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const char c = arguments[i];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      std::string other(arguments);
      other[i] = static_cast<char>(c ^ 0x20);
      expectOther(other, "a letter in the other case");
    }
  }
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
  QUORVO_FUZZ_CHECK(commandLine.ends_with(arguments),
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
