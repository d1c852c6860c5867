// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/composed_form.h"

#include "text/text_decoding.h"

#include <QChar>
#include <QString>

namespace platform {

namespace {

constexpr char32_t kFirstCombining = 0x300;

bool isWithin(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

} // namespace

bool mayNeedComposing(char32_t c)
{
    return c >= kFirstCombining
        && (QChar::isMark(c) || QChar::decompositionTag(c) == QChar::Canonical || isWithin(c, 0x1160, 0x11FF));
}

bool startsComposingStretch(char32_t c)
{
    return c < kFirstCombining || isWithin(c, 0x3041, 0x3096) || isWithin(c, 0x30A1, 0x30FA)
        || isWithin(c, 0x3400, 0x9FFF) || isWithin(c, 0xAC00, 0xD7A3);
}

std::u32string composed(const std::u32string &text)
{
    const QString normalized = toQString(text).normalized(QString::NormalizationForm_C);
    std::u32string result;
    result.reserve(static_cast<size_t>(normalized.size()));
    for (qsizetype k = 0; k < normalized.size(); ++k) {
        const QChar unit = normalized.at(k);
        if (unit.isHighSurrogate() && k + 1 < normalized.size() && normalized.at(k + 1).isLowSurrogate())
            result.push_back(QChar::surrogateToUcs4(unit, normalized.at(++k)));
        else
            result.push_back(unit.unicode());
    }
    return result;
}

} // namespace platform
