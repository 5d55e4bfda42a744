// The one way a fuzz target reports a broken property: a message on standard error and an abort, which
// libFuzzer records as a finding and a replay run as a failed test.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace today::fuzzing {

inline void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "broken property: %s\n", property);
    std::abort();
}

}  // namespace today::fuzzing
