#pragma once
// Number helpers shared by the whole program: one rounding rule everywhere.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace tarvik {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// The only rounding used for screen positions, indexes and table values.
std::int64_t roundHalfEven(double value);

// Fixed notation with `decimals` digits after a "." whatever the locale; the last digit is
// rounded half to even (2.125 -> "2.12", 2.135 -> "2.14" as far as the binary value goes).
// nan and infinities give "0".
QString formatFixed(double value, int decimals);

// A number typed by a user or read from a file: trimmed, "." as the decimal point (and ","
// too when allowComma), an optional sign and exponent, nothing else. nan and inf are refused.
std::optional<double> parseNumber(QStringView text, bool allowComma = false);

} // namespace tarvik
