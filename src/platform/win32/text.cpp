// UTF-8 / UTF-16 conversion through the system's code-page functions.
#include "platform/win32/text.h"

#include <windows.h>

#include <climits>

#include "platform/services.h"
#include "platform/win32/errors.h"

namespace quorvo::platform::win32 {

namespace {

int checkedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) {
    throw RuntimeError("text too long to convert");
  }
  return static_cast<int>(size);
}

}  // namespace

std::wstring toUtf16(std::string_view text) {
  if (text.empty()) return {};
  const int inLength = checkedLength(text.size());
  const int outLength =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), inLength, nullptr, 0);
  if (outLength <= 0) throwLastError("MultiByteToWideChar");
  std::wstring result(static_cast<std::size_t>(outLength), L'\0');
  if (MultiByteToWideChar(CP_UTF8, 0, text.data(), inLength, result.data(),
                          outLength) != outLength) {
    throwLastError("MultiByteToWideChar");
  }
  return result;
}

std::string toUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int inLength = checkedLength(text.size());
  const int outLength = WideCharToMultiByte(CP_UTF8, 0, text.data(), inLength,
                                            nullptr, 0, nullptr, nullptr);
  if (outLength <= 0) throwLastError("WideCharToMultiByte");
  std::string result(static_cast<std::size_t>(outLength), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text.data(), inLength, result.data(),
                          outLength, nullptr, nullptr) != outLength) {
    throwLastError("WideCharToMultiByte");
  }
  return result;
}

}  // namespace quorvo::platform::win32
