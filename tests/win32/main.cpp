// The Win32 test program. Run with QUORVO_PROBE_OUT set it is instead the
// child process of the tests that need a process of their own: it writes
// what the runtime's application object reports to that file ("1" or "0"
// for a previous instance, then the argument string) and exits.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
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
  quorvo::platform::win32::Win32Application app(
      environment(L"QUORVO_PROBE_MUTEX"));
  std::ofstream file(std::filesystem::path(outPath), std::ios::binary);
  file << (app.prevInstance() ? '1' : '0') << app.command();
  file.close();
  return file ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  quorvo::platform::win32::prepareProcess();
  const std::wstring probeOut = environment(L"QUORVO_PROBE_OUT");
  if (!probeOut.empty()) return runProbe(probeOut);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
