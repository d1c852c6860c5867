#include "platform/number_parsing.h"

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

    // QString::toDouble always uses the C locale, so "." is the decimal mark everywhere;
    // it reports overflow as failure, which we read as the largest value of that sign.
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok)
        return number.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
    return value;
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

} // namespace platform
