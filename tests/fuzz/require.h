// A broken property stops the fuzzer with a crash it reports and keeps the input for.
#pragma once

#include <cstdlib>

inline void Require(bool condition) {
    if (!condition) std::abort();
}
