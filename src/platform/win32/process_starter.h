// Starting another program: the date and time settings.
#pragma once

#include <string>

#include "platform/services.h"

namespace quorvo::platform::win32 {

class Win32ProcessStarter : public ProcessStarter {
 public:
  // A program named by a bare file name ("rundll32.exe") is taken from the
  // system directory only: never from the current directory or the search
  // path, where a planted file of that name could wait. A full path is taken
  // as it stands; a relative path is refused.
  std::uint32_t shell(const std::string& commandLine, int showWindow) override;
};

// The program file that `shell` would start for a command line's first
// token. Throws RuntimeError for an empty or relative name.
std::wstring resolveProgramFile(const std::string& program);

}  // namespace quorvo::platform::win32
