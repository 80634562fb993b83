// The registry commands of quorvo_probe: Quorvo's stored values read,
// seeded and cleared.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "probe_common.h"

namespace probe {

namespace {

using quorvo::platform::win32::UniqueKey;

constexpr const wchar_t* kSettingsKey =
    L"Software\\VB and VBA Program Settings\\Velmora Software\\Quorvo";

const char* typeName(DWORD type) {
  static constexpr std::pair<DWORD, const char*> kNames[] = {
      {REG_SZ, "REG_SZ"},
      {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
      {REG_DWORD, "REG_DWORD"},
      {REG_BINARY, "REG_BINARY"},
      {REG_MULTI_SZ, "REG_MULTI_SZ"},
      {REG_QWORD, "REG_QWORD"}};
  for (const auto& [known, name] : kNames) {
    if (type == known) return name;
  }
  return "OTHER";
}

}  // namespace

int commandRegDump(const Call&) {
  HKEY raw = nullptr;
  const LONG opened =
      RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &raw);
  const UniqueKey key(raw);
  if (opened == ERROR_FILE_NOT_FOUND) {
    std::printf("{\"exists\":false,\"values\":{}}\n");
    return 0;
  }
  if (opened != ERROR_SUCCESS) {
    std::printf("{\"error\":%ld}\n", opened);
    return kExitFailed;
  }
  std::string json = "{\"exists\":true,\"values\":{";
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr,
                                &type, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    nameLength = 256;
    DWORD dataSize = size;
    status = RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type,
                           data.data(), &dataSize);
    if (status != ERROR_SUCCESS) continue;
    std::string value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                        dataSize / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      value = quoted(text);
    } else if (type == REG_DWORD && dataSize == sizeof(DWORD)) {
      DWORD v = 0;
      std::memcpy(&v, data.data(), sizeof v);
      value = number(v);
    } else {
      value = "null";
    }
    if (json.back() != '{') json += ",";
    json += quoted(std::wstring(name, nameLength)) + ":{\"type\":\"" +
            typeName(type) + "\",\"data\":" + value + "}";
  }
  std::printf("%s}}\n", json.c_str());
  return 0;
}

int commandRegClear(const Call&) {
  const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  const bool ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  std::printf("{\"cleared\":%s,\"status\":%ld}\n", flag(ok), status);
  return ok ? 0 : kExitFailed;
}

int commandRegSet(const Call& call) {
  const std::vector<std::string>& args = call.args;
  if (args.size() % 3 != 0) return kExitUsage;
  HKEY raw = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                                KEY_WRITE, nullptr, &raw, nullptr);
  const UniqueKey key(raw);
  if (status != ERROR_SUCCESS) {
    std::printf("{\"set\":false,\"status\":%ld}\n", status);
    return kExitFailed;
  }
  for (std::size_t i = 0; i < args.size(); i += 3) {
    const std::wstring name = toUtf16(args[i]);
    const std::string& type = args[i + 1];
    const std::string& data = args[i + 2];
    if (type == "dword") {
      const DWORD value =
          static_cast<DWORD>(std::strtoul(data.c_str(), nullptr, 0));
      status =
          RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&value), sizeof value);
    } else if (type == "sz" || type == "sz-repeat") {
      std::wstring text = toUtf16(data);
      if (type == "sz-repeat") {
        const auto colon = data.find(':');
        const std::size_t count = std::strtoul(data.c_str(), nullptr, 10);
        const std::wstring unit =
            colon == std::string::npos ? L"" : toUtf16(data.substr(colon + 1));
        text.clear();
        for (std::size_t n = 0; n < count; ++n) text += unit;
      }
      status = RegSetValueExW(
          key.get(), name.c_str(), 0, REG_SZ,
          reinterpret_cast<const BYTE*>(text.c_str()),
          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
      return kExitUsage;
    }
    if (status != ERROR_SUCCESS) break;
  }
  std::printf("{\"set\":%s,\"status\":%ld}\n", flag(status == ERROR_SUCCESS),
              status);
  return status == ERROR_SUCCESS ? 0 : kExitFailed;
}

}  // namespace probe
