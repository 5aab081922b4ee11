#include "base/Numbers.h"

#include <cfenv>
#include <cmath>

namespace tarvik {

std::int64_t roundHalfEven(double value) {
    // nearbyint honours the current rounding mode; the program never changes it from
    // FE_TONEAREST, but be explicit so a library that does cannot change our results.
    const int previous = std::fegetround();
    if (previous != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    if (previous != FE_TONEAREST) std::fesetround(previous);
    return static_cast<std::int64_t>(r);
}

} // namespace tarvik
