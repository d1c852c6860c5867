// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/number_parsing.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

bool isIgnored(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Roughly the power of ten of a well-formed decimal number: positive when its value is
// at least 1, zero or negative below. Only its sign is used, to tell overflow from
// underflow, so a saturated exponent is enough.
long long decimalMagnitude(const QString &number)
{
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    bool seenNonZero = false;
    bool inFraction = false;
    long long exponent = 0;
    bool negativeExponent = false;
    for (qsizetype i = 0; i < number.size(); ++i) {
        const QChar c = number[i];
        if (c == QLatin1Char('.')) {
            inFraction = true;
        } else if (c == QLatin1Char('e')) {
            for (qsizetype j = i + 1; j < number.size(); ++j) {
                if (number[j] == QLatin1Char('-'))
                    negativeExponent = true;
                else if (isDigit(number[j]))
                    exponent = std::min(exponent * 10 + number[j].digitValue(), 1000000000LL);
            }
            break;
        } else if (isDigit(c)) {
            if (c != QLatin1Char('0'))
                seenNonZero = true;
            if (!inFraction && seenNonZero)
                ++integerDigits;
            else if (inFraction && !seenNonZero)
                ++leadingFractionZeros;
        }
    }
    if (!seenNonZero)
        return 0;
    const long long magnitude = integerDigits > 0 ? integerDigits : -leadingFractionZeros;
    return magnitude + (negativeExponent ? -exponent : exponent);
}

} // namespace

double leadingNumber(const QString &text)
{
    QString significant;
    significant.reserve(text.size());
    for (const QChar c : text) {
        if (!isIgnored(c))
            significant.append(c);
    }

    // Collect the longest prefix of the form [sign] digits [. digits] [exponent].
    QString number;
    int i = 0;
    const int size = significant.size();
    if (i < size && (significant[i] == QLatin1Char('+') || significant[i] == QLatin1Char('-')))
        number.append(significant[i++]);
    bool anyDigit = false;
    while (i < size && isDigit(significant[i])) {
        number.append(significant[i++]);
        anyDigit = true;
    }
    if (i < size && significant[i] == QLatin1Char('.')) {
        ++i;
        QString fraction;
        while (i < size && isDigit(significant[i]))
            fraction.append(significant[i++]);
        if (!fraction.isEmpty()) {
            number.append(QLatin1Char('.')).append(fraction);
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;

    // An exponent counts only when at least one digit follows it ("3e" is 3).
    if (i < size && (significant[i].toLower() == QLatin1Char('e') || significant[i].toLower() == QLatin1Char('d'))) {
        int j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < size && (significant[j] == QLatin1Char('+') || significant[j] == QLatin1Char('-')))
            exponent.append(significant[j++]);
        bool exponentDigit = false;
        while (j < size && isDigit(significant[j])) {
            exponent.append(significant[j++]);
            exponentDigit = true;
        }
        if (exponentDigit)
            number.append(exponent);
    }

    // QString::toDouble always uses the C locale, so "." is the decimal mark everywhere.
    // It reports both overflow and underflow as failure: a number too large reads as the
    // largest value of that sign, one too small as zero.
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (ok)
        return value;
    const bool negative = number.startsWith(QLatin1Char('-'));
    if (decimalMagnitude(number) > 0)
        return negative ? -HUGE_VAL : HUGE_VAL;
    return negative ? -0.0 : 0.0;
}

double roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

DelayReading readDelay(const QString &text)
{
    DelayReading reading;
    const double value = leadingNumber(text);
    // Too small, not a number, or beyond any number: the field becomes "1".
    if (!std::isfinite(value) || value < 1.0) {
        reading.setToOne = true;
        reading.intervalMs = 1;
        return reading;
    }
    reading.intervalMs = static_cast<int>(std::min(roundHalfToEven(value), static_cast<double>(kMaxDelayMs)));
    return reading;
}

} // namespace platform
