// Win32 error texts and the debug-output error reporter.
#include "platform/win32/errors.h"

#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

std::string errorText(DWORD error) {
  wchar_t buffer[512] = {};
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring_view text(buffer, length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' ||
                           text.back() == L' ' || text.back() == L'.')) {
    text.remove_suffix(1);
  }
  std::string result;
  try {
    result = toUtf8(text);
  } catch (const RuntimeError&) {
    result.clear();
  }
  if (result.empty()) result = "error";
  return result + " (" + std::to_string(error) + ")";
}

void throwError(std::string_view call, DWORD error) {
  throw RuntimeError(std::string(call) + " failed: " + errorText(error));
}

void throwLastError(std::string_view call) {
  const DWORD error = GetLastError();
  throwError(call, error);
}

void DebugOutputReporter::report(std::string_view handler,
                                 std::string_view what) {
  std::string line = "Quorvo: error in ";
  line += handler;
  line += ": ";
  line += what;
  line += "\n";
  OutputDebugStringW(toUtf16(line).c_str());
}

}  // namespace quorvo::platform::win32
