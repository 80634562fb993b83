// Counting replacements of the global allocation functions, in a file of
// their own so they are never inlined into the code they count. The
// sanitizers' own checks still see every block through malloc and free.
#include "allocation_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> blocks{0};
std::atomic<long long> bytes{0};
std::atomic<long long> allocations{0};
}  // namespace

// The no-throw form too: AddressSanitizer brings its own, and a block from
// it freed through the delete below (as the temporary buffer of
// std::stable_sort is) counts as a mismatch of new and free.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  ++blocks;
  ++allocations;
  bytes += static_cast<long long>(malloc_usable_size(block));
  return block;
}

void* operator new(std::size_t size) {
  void* block = operator new(size, std::nothrow);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  --blocks;
  bytes -= static_cast<long long>(malloc_usable_size(block));
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
  operator delete(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
  operator delete(block);
}

namespace quorvo::testing {

long long liveHeapBlocks() { return blocks.load(); }
long long liveHeapBytes() { return bytes.load(); }
long long heapAllocations() { return allocations.load(); }

}  // namespace quorvo::testing
