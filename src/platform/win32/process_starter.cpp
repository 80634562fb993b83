// CreateProcessW with the program resolved in the system directory.
#include "platform/win32/process_starter.h"

#include <windows.h>

#include "platform/command_line.h"
#include "platform/win32/errors.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

namespace {

bool hasDirectory(std::wstring_view name) {
  return name.find_first_of(L"\\/:") != std::wstring_view::npos;
}

bool isFullPath(std::wstring_view name) {
  // "C:\..." or a UNC path "\\server\...".
  const bool drive = name.size() >= 3 && name[1] == L':' &&
                     (name[2] == L'\\' || name[2] == L'/');
  const bool unc = name.size() >= 2 && (name[0] == L'\\' || name[0] == L'/') &&
                   (name[1] == L'\\' || name[1] == L'/');
  return drive || unc;
}

bool hasExtension(std::wstring_view name) {
  const std::size_t dot = name.rfind(L'.');
  return dot != std::wstring_view::npos && dot + 1 < name.size();
}

std::wstring systemDirectory() {
  const UINT length = GetSystemDirectoryW(nullptr, 0);
  if (length == 0) throwLastError("GetSystemDirectoryW");
  std::wstring directory(length, L'\0');
  const UINT written = GetSystemDirectoryW(directory.data(), length);
  if (written == 0 || written >= length) throwLastError("GetSystemDirectoryW");
  directory.resize(written);
  return directory;
}

}  // namespace

std::wstring resolveProgramFile(const std::string& program) {
  const std::wstring name = toUtf16(program);
  if (name.empty()) throw RuntimeError("no program to start");
  if (hasDirectory(name)) {
    if (!isFullPath(name)) {
      throw RuntimeError("refusing to start a program by relative path: " +
                         program);
    }
    return name;
  }
  // As the search would: a name without extension means an .exe.
  return systemDirectory() + L"\\" + name +
         (hasExtension(name) ? L"" : L".exe");
}

std::uint32_t Win32ProcessStarter::shell(const std::string& commandLine,
                                         int showWindow) {
  const CommandParts parts = splitProgram(commandLine);
  const std::wstring programFile = resolveProgramFile(parts.program);
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring line = toUtf16(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showWindow);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(programFile.c_str(), line.data(), nullptr, nullptr, FALSE,
                      0, nullptr, nullptr, &startup, &process)) {
    throwLastError("CreateProcessW");
  }
  // Nobody waits for the started program: its handles go at once.
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  return process.dwProcessId;
}

}  // namespace quorvo::platform::win32
