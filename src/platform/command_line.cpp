// Command-line cutting shared by the runtimes.
#include "platform/command_line.h"

namespace quorvo::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

CommandParts splitProgram(std::string_view commandLine) {
  CommandParts parts;
  std::size_t i = 0;
  if (!commandLine.empty() && commandLine.front() == '"') {
    const std::size_t close = commandLine.find('"', 1);
    if (close == std::string_view::npos) {
      parts.program = std::string(commandLine.substr(1));
      parts.rest = commandLine.substr(commandLine.size());
      return parts;
    }
    parts.program = std::string(commandLine.substr(1, close - 1));
    i = close + 1;
  } else {
    while (i < commandLine.size() && !isBlank(commandLine[i])) ++i;
    parts.program = std::string(commandLine.substr(0, i));
  }
  parts.rest = commandLine.substr(i);
  return parts;
}

std::string argumentString(std::string_view commandLine) {
  std::string_view rest = splitProgram(commandLine).rest;
  if (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
  return std::string(rest);
}

}  // namespace quorvo::platform
