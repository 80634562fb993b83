// A check for fuzz targets: a broken property prints what was expected and
// aborts, which libFuzzer reports as a crash and saves the input that caused
// it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QUORVO_FUZZ_CHECK(condition, ...)                              \
  do {                                                                 \
    if (!(condition)) {                                                \
      std::fprintf(stderr, "%s:%d: property broken: %s\n  ", __FILE__, \
                   __LINE__, #condition);                              \
      std::fprintf(stderr, __VA_ARGS__);                               \
      std::fprintf(stderr, "\n");                                      \
      std::abort();                                                    \
    }                                                                  \
  } while (false)
