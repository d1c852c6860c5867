// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace platform {

// Unicode's composed form (NFC): an accent written apart from its letter (e + U+0301, as
// some editors write é) is read as the accented letter, the one a sound table names.

// Whether a text holding `c` may differ from its composed form: a combining mark, a
// character with a canonical decomposition, or a Hangul vowel or final jamo.
bool mayNeedComposing(char32_t c);

// Whether `c` never combines with what comes before it (below U+0300, or a CJK ideograph,
// kana or Hangul syllable), so that a text cut before it composes stretch by stretch.
bool startsComposingStretch(char32_t c);

std::u32string composed(const std::u32string &text);

} // namespace platform
