// SPDX-License-Identifier: GPL-3.0-or-later
// A correction or table file's bytes as characters, the text shown, and where each
// character lands in the text box.
#include "text/text_decoding.h"
#include "ui/shown_correction.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::u32string text = platform::decodeText(bytes);
    const bool utf8 = platform::isValidUtf8(bytes);
    const QString shown = platform::toQString(text);

    if (utf8) {
        // Every character survives, in composed form (NFC) as Qt makes it of the whole
        // text, a U+FEFF after the start included.
        QByteArray withMark = bytes;
        if (!withMark.startsWith("\xEF\xBB\xBF"))
            withMark.prepend("\xEF\xBB\xBF"); // fromUtf8 drops one leading byte-order mark
        if (shown != QString::fromUtf8(withMark).normalized(QString::NormalizationForm_C))
            std::abort();
    } else if (text != platform::decodeWindows1252(bytes)) {
        std::abort(); // one character per byte, by the code page's table
    }
    for (const char32_t character : text) {
        if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
            std::abort();
    }
    if (static_cast<size_t>(shown.toUcs4().size()) != text.size())
        std::abort();

    // As laid out in the text box: positions never go back and end with the text.
    ui::ShownCorrection layout;
    const QString inBox = layout.build(platform::CharacterText::decode(bytes));
    int before = 0;
    const size_t stride = text.size() / 512 + 1; // each position costs up to a thousand steps
    for (size_t i = 0; i <= text.size(); i += stride) {
        const int position = layout.documentPosition(static_cast<int>(i));
        if (position < before || position > inBox.size())
            std::abort();
        before = position;
    }
    if (layout.documentPosition(static_cast<int>(text.size())) != inBox.size())
        std::abort();
    return 0;
}
