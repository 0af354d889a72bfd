// A broken rule is a finding: abort, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace ambervale::fuzz {

inline void Require(bool condition, const char* rule) {
  if (condition) return;
  std::fprintf(stderr, "fuzz target: broken rule: %s\n", rule);
  std::abort();
}

}  // namespace ambervale::fuzz
