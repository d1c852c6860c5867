#pragma once

#include <QString>
#include <cstdint>

namespace platform {

// The leading number of a text, the way the delay field has always been read:
// blanks, tabs and line feeds are ignored wherever they stand, reading stops at the
// first character that cannot continue a decimal number ("." is always the decimal
// mark), and a text that does not start with a number reads as 0. "250ms" reads 250.
double leadingNumber(const QString &text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfToEven(double value);

} // namespace platform
