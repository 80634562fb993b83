// Cutting the argument string from a whole command line, the way the program
// sees it: everything after the program's name and the one blank after it.
#pragma once

#include <string>
#include <string_view>

namespace quorvo::platform {

// The program's name is the first token: up to the closing quote when it
// starts with one, else up to the first blank or tab. One blank or tab after
// it is dropped; anything further, blanks included, is the argument string.
std::string argumentString(std::string_view commandLine);

// The first token of a command line (the program to start), without quotes,
// and the rest after it as it stands.
struct CommandParts {
  std::string program;
  std::string_view rest;
};
CommandParts splitProgram(std::string_view commandLine);

}  // namespace quorvo::platform
