// MemorySettingsStore: a settings store held in a map, for the tests.
#pragma once

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
                         const std::string& defaultText) override;
  void saveSetting(const std::string& appName, const std::string& section,
                   const std::string& key, const std::string& value) override;

  // Values of application "Velmora Software", section "Quorvo", by key.
  std::map<std::string, std::string> values() const;
  void put(const std::string& key, const std::string& value);

  // Refuse every write from the n-th in the journal on (0: refuse all; -1:
  // accept all). Reads are noted as "read Left", writes as "save Left=5430".
  int refuseWritesFrom = -1;

 private:
  Journal& journal_;
  std::map<std::tuple<std::string, std::string, std::string>, std::string>
      store_;
};

}  // namespace quorvo::testing
