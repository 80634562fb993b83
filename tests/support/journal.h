// The journal the in-memory doubles write: what the program asked of them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvo::testing {

// Everything the program asked of the runtime, in order, as short texts such
// as "save Left=5430", "show", "end". It is the doubles' one record of a
// call: a call's text carries the arguments the tests look at.
using Journal = std::vector<std::string>;

// The calls noted as `call` followed by their arguments ("save ",
// "SendMessage "), in order: their arguments only.
inline std::vector<std::string> callsTo(const Journal& journal,
                                        std::string_view call) {
  std::vector<std::string> found;
  for (const std::string& entry : journal) {
    if (entry.starts_with(call)) found.push_back(entry.substr(call.size()));
  }
  return found;
}

}  // namespace quorvo::testing
