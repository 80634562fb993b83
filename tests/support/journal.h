// The journal the in-memory doubles write: what the program asked of them.
#pragma once

#include <string>
#include <vector>

namespace quorvo::testing {

// Everything the program asked of the runtime, in order, as short texts such
// as "save Left=5430", "show", "end".
using Journal = std::vector<std::string>;

}  // namespace quorvo::testing
