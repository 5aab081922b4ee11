#include "base/Numbers.h"

#include <gtest/gtest.h>

using tarvik::roundHalfEven;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, std::int64_t> cases[] = {{0.5, 0},
                                                     {1.5, 2},
                                                     {2.5, 2},
                                                     {3.5, 4},
                                                     {-0.5, 0},
                                                     {-1.5, -2},
                                                     {-2.5, -2},
                                                     {2.4999, 2},
                                                     {2.5001, 3},
                                                     {-2.5001, -3},
                                                     {127.5, 128},
                                                     {128.5, 128},
                                                     {1e9 + 0.5, 1000000000}};
    for (auto [value, expected] : cases) EXPECT_EQ(roundHalfEven(value), expected) << value;
}
