// MemoryApplication: the application object and error reporter of the tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "journal.h"
#include "platform/services.h"

namespace quorvo::testing {

class MemoryApplication : public platform::Application,
                          public platform::ErrorReporter {
 public:
  explicit MemoryApplication(Journal& journal) : journal_(journal) {}
  bool prevInstance() override { return previousInstance; }
  void releaseInstance() override { journal_.push_back("release instance"); }
  std::string command() override {
    ++commandReads;
    return arguments;
  }
  void end() override {
    ended_ = true;
    journal_.push_back("end");
  }
  bool ended() const override { return ended_; }
  // Noted as "msgBox About Quorvo, style 64: " and the prompt.
  int msgBox(const std::string& prompt, int style,
             const std::string& title) override {
    journal_.push_back("msgBox " + title + ", style " + std::to_string(style) +
                       ": " + prompt);
    return 1;
  }
  void report(std::string_view handler, std::string_view /*what*/) override {
    errors.emplace_back(handler);
  }

  bool previousInstance = false;
  std::string arguments;
  int commandReads = 0;
  std::vector<std::string> errors;  // the handlers that failed

 private:
  Journal& journal_;
  bool ended_ = false;
};

}  // namespace quorvo::testing
