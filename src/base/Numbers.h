#pragma once
// Number helpers shared by the whole program: one rounding rule everywhere.

#include <cstdint>

namespace tarvik {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// The only rounding used for screen positions, indexes and table values.
std::int64_t roundHalfEven(double value);

} // namespace tarvik
