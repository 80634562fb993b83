// The Win32 test program. Run with QUORVO_PROBE_OUT set it is instead the
// child process of the tests that need a process of their own: it writes
// what the runtime's application object reports (previous instance, argument
// string) to that file and exits.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/application.h"
#include "platform/win32/process_setup.h"

namespace {

std::wstring environment(const wchar_t* name) {
  const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) return {};
  std::wstring value(length, L'\0');
  const DWORD copied = GetEnvironmentVariableW(name, value.data(), length);
  value.resize(copied < length ? copied : 0);
  return value;
}

int runProbe(const std::wstring& outPath) {
  const std::wstring mutexName = environment(L"QUORVO_PROBE_MUTEX");
  quorvo::platform::win32::Win32Application app(
      mutexName.empty() ? L"Local\\Quorvo.Probe" : mutexName);
  const std::string report = std::string("prev=") +
                             (app.prevInstance() ? "1" : "0") +
                             "\ncommand=" + app.command();
  std::FILE* file = _wfopen(outPath.c_str(), L"wb");
  if (file == nullptr) return 2;
  const bool written =
      std::fwrite(report.data(), 1, report.size(), file) == report.size();
  return (std::fclose(file) == 0 && written) ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  quorvo::platform::win32::prepareProcess();
  const std::wstring probeOut = environment(L"QUORVO_PROBE_OUT");
  if (!probeOut.empty()) return runProbe(probeOut);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
