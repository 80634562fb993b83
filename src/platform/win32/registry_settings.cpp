// Registry reads and writes of the settings store.
#include "platform/win32/registry_settings.h"

#include <optional>

#include "platform/win32/errors.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace quorvo::platform::win32 {

namespace {

// A value that changes size between the size query and the read is read
// again; a few rounds are plenty for a value nobody else writes.
constexpr int kReadAttempts = 4;

bool validName(const std::string& name) { return !name.empty(); }

std::optional<std::wstring> readString(HKEY key, const std::wstring& name) {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status =
        RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    if (size > kMaxSettingBytes) return std::nullopt;
    // Room for a terminating null the stored data may lack.
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD readSize = size;
    status = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(text.data()), &readSize);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || type != REG_SZ || readSize > size) {
      return std::nullopt;
    }
    // The text ends at its first null: the terminator, or an embedded one
    // that no text the program wrote contains. An odd last byte is dropped.
    text.resize(readSize / sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
  }
  return std::nullopt;
}

}  // namespace

std::wstring settingsKeyPath(const std::string& appName,
                             const std::string& section) {
  return std::wstring(kSettingsRoot) + L"\\" + toUtf16(appName) + L"\\" +
         toUtf16(section);
}

std::string RegistrySettingsStore::getSetting(const std::string& appName,
                                              const std::string& section,
                                              const std::string& key,
                                              const std::string& defaultText) {
  if (!validName(appName) || !validName(section) || !validName(key)) {
    return defaultText;
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER,
                    settingsKeyPath(appName, section).c_str(), 0,
                    KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return defaultText;
  }
  const UniqueKey sectionKey(opened);
  const std::optional<std::wstring> text =
      readString(sectionKey.get(), toUtf16(key));
  return text ? toUtf8(*text) : defaultText;
}

void RegistrySettingsStore::saveSetting(const std::string& appName,
                                        const std::string& section,
                                        const std::string& key,
                                        const std::string& value) {
  if (!validName(appName) || !validName(section) || !validName(key)) {
    throw RuntimeError("settings need an application, section and key name");
  }
  const std::wstring text = toUtf16(value);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > kMaxSettingBytes) {
    throw RuntimeError("setting \"" + key + "\" is too long to store");
  }
  HKEY created = nullptr;
  const LSTATUS createStatus = RegCreateKeyExW(
      HKEY_CURRENT_USER, settingsKeyPath(appName, section).c_str(), 0, nullptr,
      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created, nullptr);
  if (createStatus != ERROR_SUCCESS) {
    throwError("RegCreateKeyExW", static_cast<DWORD>(createStatus));
  }
  const UniqueKey sectionKey(created);
  const LSTATUS setStatus = RegSetValueExW(
      sectionKey.get(), toUtf16(key).c_str(), 0, REG_SZ,
      reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
  if (setStatus != ERROR_SUCCESS) {
    throwError("RegSetValueExW", static_cast<DWORD>(setStatus));
  }
}

}  // namespace quorvo::platform::win32
