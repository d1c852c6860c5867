// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

namespace platform {

// The leading number of a text, which is how the delay field is read: blanks, tabs
// and line feeds are ignored wherever they stand, reading stops at the first character
// that cannot continue a decimal number ("." is always the decimal mark), and a text
// that does not start with a number reads as 0. "250ms" reads 250.
double leadingNumber(const QString &text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfToEven(double value);

// The longest reading delay; a larger value is held to it, so a pending delay never
// keeps the reading waiting for longer than about a minute.
inline constexpr int kMaxDelayMs = 65535;

struct DelayReading
{
    int intervalMs = 1;
    bool setToOne = false; // the field must be corrected to "1"
};

// The delay field's rule: a value under 1, or no number at all, makes the field "1" and
// the delay 1 ms; otherwise the nearest whole number of milliseconds, at most kMaxDelayMs.
DelayReading readDelay(const QString &text);

} // namespace platform
