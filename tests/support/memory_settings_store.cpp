// MemorySettingsStore: reads, writes and refused writes of the map.
#include "memory_settings_store.h"

namespace quorvo::testing {

namespace {

constexpr const char* kAppName = "Velmora Software";
constexpr const char* kSection = "Quorvo";

}  // namespace

std::string MemorySettingsStore::getSetting(const std::string& appName,
                                            const std::string& section,
                                            const std::string& key,
                                            const std::string& defaultText) {
  journal_.push_back("read " + key);
  const auto found = store_.find({appName, section, key});
  return found == store_.end() ? defaultText : found->second;
}

void MemorySettingsStore::saveSetting(const std::string& appName,
                                      const std::string& section,
                                      const std::string& key,
                                      const std::string& value) {
  if (refuseWritesFrom >= 0 && callsTo(journal_, "save ").size() >=
                                   static_cast<std::size_t>(refuseWritesFrom)) {
    throw platform::RuntimeError("access denied writing " + key);
  }
  journal_.push_back("save " + key + "=" + value);
  store_[{appName, section, key}] = value;
}

std::map<std::string, std::string> MemorySettingsStore::values() const {
  std::map<std::string, std::string> result;
  for (const auto& [where, value] : store_) {
    if (std::get<0>(where) == kAppName && std::get<1>(where) == kSection) {
      result[std::get<2>(where)] = value;
    }
  }
  return result;
}

void MemorySettingsStore::put(const std::string& key,
                              const std::string& value) {
  store_[{kAppName, kSection, key}] = value;
}

}  // namespace quorvo::testing
