// Live heap blocks and bytes allocated through the global operator new, for
// the tests that check that nothing grows.
#pragma once

namespace quorvo::testing {

long long liveHeapBlocks();
long long liveHeapBytes();
// Every allocation through the global operator new so far, freed or not.
long long heapAllocations();

}  // namespace quorvo::testing
