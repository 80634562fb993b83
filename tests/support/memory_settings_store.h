// MemorySettingsStore: a settings store held in a map, for the tests.
#pragma once

#include <iterator>
#include <map>
#include <string>
#include <tuple>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemorySettingsStore : public platform::SettingsStore {
 public:
  explicit MemorySettingsStore(Journal& journal) : journal_(journal) {}
  std::string getSetting(const std::string& appName, const std::string& section,
                         const std::string& key,
                         const std::string& defaultText) override {
    journal_.push_back("read " + key);
    const auto found = store_.find({appName, section, key});
    return found == store_.end() ? defaultText : found->second;
  }
  void saveSetting(const std::string& appName, const std::string& section,
                   const std::string& key, const std::string& value) override {
    if (refuseWritesFrom >= 0 &&
        std::ssize(callsTo(journal_, "save ")) >= refuseWritesFrom) {
      throw platform::RuntimeError("access denied writing " + key);
    }
    journal_.push_back("save " + key + "=" + value);
    store_[{appName, section, key}] = value;
  }

  // Values of application "Velmora Software", section "Quorvo", by key.
  std::map<std::string, std::string> values() const {
    std::map<std::string, std::string> result;
    for (const auto& [where, value] : store_) {
      const auto& [app, section, key] = where;
      if (app == kAppName && section == kSection) result[key] = value;
    }
    return result;
  }
  void put(const std::string& key, const std::string& value) {
    store_[{kAppName, kSection, key}] = value;
  }

  // Refuse every write from the n-th in the journal on (0: refuse all; -1:
  // accept all). Reads are noted as "read Left", writes as "save Left=5430".
  int refuseWritesFrom = -1;

 private:
  static constexpr const char* kAppName = "Velmora Software";
  static constexpr const char* kSection = "Quorvo";
  Journal& journal_;
  std::map<std::tuple<std::string, std::string, std::string>, std::string>
      store_;
};

}  // namespace quorvo::testing
