// SPDX-License-Identifier: GPL-3.0-or-later
#include "copy/copy_comparison.h"

#include "copy/banded_alignment.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

namespace copycheck {

namespace {

// An omitted or an extra character costs one edit; a wrong one too, plus a hair, so that
// between two alignments with as many edits the one with more right characters wins.
// No text holds 2^32 characters, so the hairs never add up to an edit.
constexpr qint64 kGap = qint64(1) << 32;
constexpr qint64 kWrong = kGap + 1;

// Above this many cells a pair of groups is costed in a band rather than in full.
constexpr qint64 kFullPairCells = 1 << 16;

struct Group {
    int first = 0; // index in ComparedText::characters
    int end = 0;
    int size() const { return end - first; }
};

// A text as compared: its characters without the separators, upper-cased, where each stands
// in the text, and its groups.
struct ComparedText {
    explicit ComparedText(const QString &text) : text(text)
    {
        bool inGroup = false;
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype at = i;
            char32_t character = text.at(i).unicode();
            ++i;
            if (QChar::isHighSurrogate(character) && i < text.size() && text.at(i).isLowSurrogate())
                character = QChar::surrogateToUcs4(char16_t(character), text.at(i++).unicode());
            if (QChar::isSpace(character)) {
                inGroup = false;
                continue;
            }
            if (!inGroup)
                groups.push_back({int(characters.size()), int(characters.size())});
            inGroup = true;
            characters.push_back(QChar::toUpper(character));
            positions.push_back(at);
            ++groups.back().end;
        }
    }

    // The character as written, not upper-cased.
    QString original(int index) const
    {
        const qsizetype at = positions[std::size_t(index)];
        return text.mid(at, text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate() ? 2 : 1);
    }
    qsizetype endOf(int index) const { return positions[std::size_t(index)] + original(index).size(); }
    QString originalGroup(const Group &group) const
    {
        return text.mid(positions[std::size_t(group.first)], endOf(group.end - 1) - positions[std::size_t(group.first)]);
    }
    int shortestGroup() const
    {
        int shortest = groups.empty() ? 1 : groups.front().size();
        for (const Group &group : groups)
            shortest = std::min(shortest, group.size());
        return shortest;
    }

    const QString &text;
    std::vector<char32_t> characters;
    std::vector<qsizetype> positions;
    std::vector<Group> groups;
};

// Aligns characters of the correction with characters of the copy.
auto characterAligner(const ComparedText &correction, const ComparedText &copy)
{
    const auto pair = [&correction, &copy](int i, int j) {
        return correction.characters[std::size_t(i)] == copy.characters[std::size_t(j)] ? 0 : kWrong;
    };
    const auto gap = [](int) { return kGap; };
    return makeAligner(pair, gap, gap, kGap, kGap);
}

using CharacterAligner = decltype(characterAligner(std::declval<ComparedText &>(), std::declval<ComparedText &>()));

// What setting one group against another costs, character by character; one row of the
// table is enough for a cost.
class GroupPairCost {
public:
    GroupPairCost(const ComparedText &correction, const ComparedText &copy, CharacterAligner &longGroups)
        : m_correction(correction), m_copy(copy), m_longGroups(longGroups)
    {
    }

    qint64 operator()(int g, int h)
    {
        const Group &a = m_correction.groups[std::size_t(g)];
        const Group &b = m_copy.groups[std::size_t(h)];
        if (qint64(a.size()) * b.size() > kFullPairCells) {
            qint64 cost = 0;
            m_longGroups.align(a.first, a.end, b.first, b.end, &cost);
            return cost;
        }
        m_row.resize(std::size_t(b.size()) + 1);
        for (int j = 0; j <= b.size(); ++j)
            m_row[std::size_t(j)] = j * kGap;
        for (int i = 1; i <= a.size(); ++i) {
            qint64 diagonal = m_row[0];
            m_row[0] = i * kGap;
            const char32_t expected = m_correction.characters[std::size_t(a.first + i - 1)];
            for (int j = 1; j <= b.size(); ++j) {
                const qint64 paired = diagonal + (expected == m_copy.characters[std::size_t(b.first + j - 1)] ? 0 : kWrong);
                diagonal = m_row[std::size_t(j)];
                m_row[std::size_t(j)] = std::min({paired, diagonal + kGap, m_row[std::size_t(j) - 1] + kGap});
            }
        }
        return m_row.back();
    }

private:
    const ComparedText &m_correction;
    const ComparedText &m_copy;
    CharacterAligner &m_longGroups;
    std::vector<qint64> m_row;
};

// Gathers the marks while the alignment is walked in correction order.
class ResultBuilder {
public:
    ResultBuilder(const ComparedText &correction, const ComparedText &copy) : m_correction(correction), m_copy(copy) {}

    void pairGroups(const Group &a, const Group &b, CharacterAligner &aligner)
    {
        m_groupHasError = false;
        int i = a.first;
        int j = b.first;
        QString extra;
        const auto flushExtra = [&](qsizetype before) {
            if (!extra.isEmpty())
                addExtra(before, extra, false);
            extra.clear();
        };
        for (const Step step : aligner.align(a.first, a.end, b.first, b.end)) {
            if (step == Step::Insert) {
                extra += m_copy.original(j++);
                continue;
            }
            flushExtra(m_correction.positions[std::size_t(i)]);
            if (step == Step::Pair)
                pairCharacters(i++, j++);
            else
                missCharacter(i++);
        }
        flushExtra(m_correction.endOf(a.end - 1));
        endGroup(a);
    }

    void missGroup(const Group &a)
    {
        m_groupHasError = false;
        for (int i = a.first; i < a.end; ++i)
            missCharacter(i);
        endGroup(a);
    }

    void extraGroup(const Group &b, qsizetype before) { addExtra(before, m_copy.originalGroup(b), true); }

    Comparison finish()
    {
        m_result.correctionCharacters = int(m_correction.characters.size());
        m_result.groups = int(m_correction.groups.size());
        for (const auto &[pair, count] : m_confusions)
            m_result.confusions.push_back({pair.first, pair.second, count});
        std::stable_sort(m_result.confusions.begin(), m_result.confusions.end(),
                         [](const Confusion &x, const Confusion &y) { return x.count > y.count; });
        return std::move(m_result);
    }

private:
    void pairCharacters(int i, int j)
    {
        CharacterResult character{m_correction.positions[std::size_t(i)], Mark::Right, {}};
        if (m_correction.characters[std::size_t(i)] == m_copy.characters[std::size_t(j)]) {
            ++m_result.rightCharacters;
        } else {
            character.mark = Mark::Wrong;
            character.copied = m_copy.original(j);
            m_groupHasError = true;
            ++m_confusions[{QString::fromUcs4(&m_correction.characters[std::size_t(i)], 1),
                            QString::fromUcs4(&m_copy.characters[std::size_t(j)], 1)}];
        }
        m_result.characters.push_back(character);
    }

    void missCharacter(int i)
    {
        m_result.characters.push_back({m_correction.positions[std::size_t(i)], Mark::Missed, {}});
        m_groupHasError = true;
    }

    void addExtra(qsizetype before, const QString &text, bool wholeGroup)
    {
        m_result.extras.push_back({before, text, wholeGroup});
        m_result.extraCharacters += int(text.toUcs4().size());
        m_groupHasError = m_groupHasError || !wholeGroup;
    }

    void endGroup(const Group &a)
    {
        if (m_groupHasError)
            m_result.errorGroups.push_back({m_correction.positions[std::size_t(a.first)], m_correction.endOf(a.end - 1)});
        else
            ++m_result.wholeGroups;
    }

    const ComparedText &m_correction;
    const ComparedText &m_copy;
    Comparison m_result;
    std::map<std::pair<QString, QString>, int> m_confusions; // ordered by expected, then copied
    bool m_groupHasError = false;
};

} // namespace

int Comparison::errors() const
{
    return correctionCharacters - rightCharacters + extraCharacters;
}

double Comparison::percentRight() const
{
    return correctionCharacters == 0 ? 100.0 : 100.0 * rightCharacters / correctionCharacters;
}

// Groups are aligned first, a pair of groups costing the edits between their characters and
// a group left alone its length: a missed or an extra group shifts nothing after it, and a
// half-copied group pairs with its half. The characters of each pair of groups are aligned
// next. Memory: two direction tables at once (the groups', and the characters' of a pair of
// long groups), 16 MiB each at most (kMaxAlignmentCells), plus 12 bytes a character of both
// texts while comparing, and the result. For 10,000 characters against as many, about
// 1.6 MiB in all, the result included.
Comparison compareCopy(const QString &correction, const QString &copy)
{
    const ComparedText expected(correction);
    const ComparedText copied(copy);
    CharacterAligner characters = characterAligner(expected, copied);
    GroupPairCost pairCost(expected, copied, characters);
    const auto omitCost = [&expected](int g) { return expected.groups[std::size_t(g)].size() * kGap; };
    const auto insertCost = [&copied](int h) { return copied.groups[std::size_t(h)].size() * kGap; };
    auto groups = makeAligner(std::ref(pairCost), omitCost, insertCost, expected.shortestGroup() * kGap,
                              copied.shortestGroup() * kGap);

    ResultBuilder builder(expected, copied);
    int g = 0;
    int h = 0;
    const auto nextGroupStart = [&]() {
        return g < int(expected.groups.size()) ? expected.positions[std::size_t(expected.groups[std::size_t(g)].first)]
                                               : correction.size();
    };
    for (const Step step : groups.align(0, int(expected.groups.size()), 0, int(copied.groups.size()))) {
        if (step == Step::Pair)
            builder.pairGroups(expected.groups[std::size_t(g++)], copied.groups[std::size_t(h++)], characters);
        else if (step == Step::Omit)
            builder.missGroup(expected.groups[std::size_t(g++)]);
        else
            builder.extraGroup(copied.groups[std::size_t(h++)], nextGroupStart());
    }
    return builder.finish();
}

} // namespace copycheck
