// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

// The learner's copy set against the correction, as a teacher marks it.
namespace copycheck {

enum class Mark { Right, Wrong, Missed };

// One character of the correction (separators excluded), as the copy gave it.
struct CharacterResult {
    qsizetype position = 0; // index in the correction text as given to compareCopy
    Mark mark = Mark::Right;
    QString copied;         // Wrong: what was copied instead (one character, as the learner wrote it)
};

// Characters of the copy that stand for nothing in the correction.
struct ExtraCopied {
    qsizetype beforePosition = 0; // they stand before this correction index (the text's length at the end)
    QString text;                 // as the learner wrote it
    bool wholeGroup = false;      // a group of the copy of its own, not characters inside a copied group
};

struct Confusion {
    QString expected; // upper case, as compared
    QString copied;   // upper case, as compared
    int count = 0;
};

struct GroupRange {
    qsizetype from = 0; // index in the correction of the group's first character
    qsizetype to = 0;   // index after its last character
};

struct Comparison {
    std::vector<CharacterResult> characters; // in correction order, one per non-separator character
    std::vector<ExtraCopied> extras;          // in correction order
    std::vector<Confusion> confusions;        // most frequent first, then by expected, then copied
    std::vector<GroupRange> errorGroups;      // correction groups holding any error (wrong, missed, or an extra inside/after it), in order
    int correctionCharacters = 0; // non-separator characters of the correction
    int rightCharacters = 0;
    int groups = 0;               // groups of the correction
    int wholeGroups = 0;          // groups copied exactly
    int extraCharacters = 0;      // characters of all the extras
    int errors() const;           // correctionCharacters - rightCharacters + extra characters
    double percentRight() const;  // rightCharacters / correctionCharacters * 100 (100 for an empty correction)
};

// Compares without letter case; runs of spaces, tabs and line breaks (and any Unicode space) are one
// group separator on both sides. A character is a Unicode code point: both texts are expected in the
// same normal form (NFC), as the program decodes them.
Comparison compareCopy(const QString &correction, const QString &copy);

} // namespace copycheck
