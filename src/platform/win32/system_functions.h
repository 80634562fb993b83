// Functions of newer Windows versions, looked up at run time in system DLLs
// that the process has loaded already, so Quorvo.exe still starts where they
// are missing (older Windows, older Wine). Nothing is ever loaded from disk
// here.
#pragma once

#include <windows.h>

#include <bit>

namespace quorvo::platform::win32 {

// The function `name` of the loaded module `module` ("user32.dll"), or null.
template <typename Function>
Function loadedSystemFunction(const wchar_t* module, const char* name) {
  const HMODULE handle = GetModuleHandleW(module);
  if (handle == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(handle, name);
  return address == nullptr ? nullptr : std::bit_cast<Function>(address);
}

}  // namespace quorvo::platform::win32
