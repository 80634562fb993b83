// MemoryTimer: firing, through the runtime's handler guard.
#include "memory_timer.h"

#include "memory_runtime.h"

namespace quorvo::testing {

bool MemoryTimer::fire(MemoryRuntime& runtime) {
  if (!enabled_ || !alive || runtime.app().ended()) return false;
  runtime.raise(handlerName_, onTimer_);
  return true;
}

}  // namespace quorvo::testing
