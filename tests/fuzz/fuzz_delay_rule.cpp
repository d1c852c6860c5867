// SPDX-License-Identifier: GPL-3.0-or-later
// The delay field as typed, through the rule applied at each timer tick.
#include "text/number_parsing.h"

#include <QString>
#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const double value = platform::leadingNumber(text);
    if (std::isnan(value))
        std::abort();
    const platform::DelayReading delay = platform::readDelay(text);
    if (delay.intervalMs < 1 || delay.intervalMs > platform::kMaxDelayMs)
        std::abort();
    if (delay.setToOne != (!std::isfinite(value) || value < 1.0))
        std::abort();
    // The corrected field must itself be a valid delay of 1 ms.
    if (delay.setToOne) {
        const platform::DelayReading again = platform::readDelay(QStringLiteral("1"));
        if (again.setToOne || again.intervalMs != 1)
            std::abort();
    }
    return 0;
}
