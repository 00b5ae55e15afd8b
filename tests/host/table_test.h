// What the table-driven host tests share: rows of input and result, names for rows, raised errors.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "toolkit/run_time_error.h"

namespace kestrel {

// One row of a table: an input and what the rule must make of it.
template <typename In, typename Out>
struct Row {
    In in;
    Out out;
};

template <typename In, typename Out>
void PrintTo(const Row<In, Out>& row, std::ostream* os) {
    *os << ::testing::PrintToString(row.in) << " -> " << ::testing::PrintToString(row.out);
}

// Names the instances of a parameterized test after the `name` of their rows.
inline constexpr auto kRowName = [](const auto& info) { return std::string(info.param.name); };

// The run-time error `call` raises; number 0 when it returns.
template <typename Call>
RunTimeError Raised(Call call) {
    try {
        call();
    } catch (const RunTimeError& e) {
        return e;
    }
    return RunTimeError(0, "no error");
}

}  // namespace kestrel
