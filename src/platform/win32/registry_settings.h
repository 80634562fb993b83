// The settings store in the registry: text values under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>,
// one REG_SZ value per key, where Windows programs of this kind have always
// kept them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "platform/services.h"

namespace quorvo::platform::win32 {

inline constexpr const wchar_t* kSettingsRoot =
    L"Software\\VB and VBA Program Settings";
// Values longer than this many bytes (32 Ki characters) are no value the
// program wrote: reads treat them as absent and writes refuse them, so that
// whatever is stored can be read back.
inline constexpr std::size_t kMaxSettingBytes = 64 * 1024;

class RegistrySettingsStore : public SettingsStore {
 public:
  // Any failure to read (absent, of another type than REG_SZ, oversized,
  // unreadable) gives the default: a clock should start with its defaults
  // rather than not at all.
  std::string getSetting(const std::string& appName, const std::string& section,
                         const std::string& key,
                         const std::string& defaultText) override;
  // Creates the application and section keys when missing. Throws
  // RuntimeError when the registry refuses.
  void saveSetting(const std::string& appName, const std::string& section,
                   const std::string& key, const std::string& value) override;
};

// The registry path below HKEY_CURRENT_USER for an application and section.
std::wstring settingsKeyPath(const std::string& appName,
                             const std::string& section);

}  // namespace quorvo::platform::win32
