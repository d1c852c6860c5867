// A correction or table file's bytes as characters, and back to the text shown.
#include "platform/text_decoding.h"

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
        // Every character survives, a U+FEFF after the start included.
        QByteArray expected = bytes;
        if (expected.startsWith("\xEF\xBB\xBF"))
            expected.remove(0, 3);
        if (shown.toUtf8() != expected)
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
    return 0;
}
