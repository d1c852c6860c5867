// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <vector>

namespace copycheck {

// One move of an alignment of a sequence `a` (the correction's side) with `b` (the copy's).
enum class Step : unsigned char {
    Pair,   // a[i] set against b[j]
    Omit,   // a[i] with nothing in b
    Insert, // b[j] with nothing in a
};

// The cells of one alignment's direction table, one byte each: 16 MiB at most (but for a
// single item against more than eight million, which takes two bytes each). A 10,000-character
// copy of five-character groups is about 2,000 x 2,000 groups, whose whole table would fit
// (4 MB); the band holds far less.
inline constexpr std::size_t kMaxAlignmentCells = std::size_t(16) << 20;

// Minimal-cost alignment by dynamic programming in a band of diagonals j - i: a narrow band
// first, then, if a path leaving it could cost less than the best inside (each step off the
// band costs at least minOmit or minInsert), a band wide enough for none to, so the result
// is exact while that band fits in maxCells. Beyond that the widest band that fits is kept,
// and when not even a narrow band fits, both sequences are cut in two at proportional points
// and aligned piece by piece: the result is then a whole alignment, not always a minimal one.
// A pair must cost at least the difference between omitting its item and inserting its
// other. Costs are qint64; at equal cost the gaps come as late as they can (the copy is
// read from its start, so what matches is found first).
template <class PairCost, class OmitCost, class InsertCost>
class BandedAligner {
public:
    BandedAligner(PairCost pairCost, OmitCost omitCost, InsertCost insertCost, qint64 minOmit, qint64 minInsert,
                  std::size_t maxCells = kMaxAlignmentCells)
        : m_pairCost(pairCost), m_omitCost(omitCost), m_insertCost(insertCost), m_minOmit(minOmit),
          m_minInsert(minInsert), m_maxCells(maxCells)
    {
    }

    // The steps aligning a[aFrom, aTo) with b[bFrom, bTo), in order.
    std::vector<Step> align(int aFrom, int aTo, int bFrom, int bTo, qint64 *cost = nullptr)
    {
        std::vector<Step> steps;
        qint64 total = 0;
        alignInto(aFrom, aTo, bFrom, bTo, steps, total);
        if (cost)
            *cost = total;
        return steps;
    }

private:
    void alignInto(int aFrom, int aTo, int bFrom, int bTo, std::vector<Step> &steps, qint64 &total)
    {
        const qint64 n = aTo - aFrom;
        const qint64 m = bTo - bFrom;
        const qint64 apart = std::abs(m - n);
        if (n > 1 && std::size_t((n + 1) * (apart + 1 + 2 * kFirstMargin)) > m_maxCells) {
            const int aMiddle = aFrom + int(n / 2);
            const int bMiddle = bFrom + int(m / 2);
            alignInto(aFrom, aMiddle, bFrom, bMiddle, steps, total);
            alignInto(aMiddle, aTo, bMiddle, bTo, steps, total);
            return;
        }
        // A narrow band first: its cost bounds the best, which tells how wide a band must be
        // for no path outside it to cost less; the second filling leaves out the pairs that
        // cannot lead to a path within that cost.
        const qint64 widestMargin = std::max<qint64>(0, (qint64(m_maxCells) / (n + 1) - apart - 1) / 2);
        qint64 margin = std::min(kFirstMargin, widestMargin);
        qint64 best = fillBand(aFrom, n, bFrom, m, margin, kNoLimit);
        if (best > outsideBound(n, m, margin) && margin < widestMargin) {
            qint64 enough = widestMargin;
            while (margin + 1 < enough) {
                const qint64 middle = margin + (enough - margin) / 2;
                (outsideBound(n, m, middle) >= best ? enough : margin) = middle;
            }
            margin = enough;
            best = fillBand(aFrom, n, bFrom, m, margin, best);
        }
        traceBack(n, m, margin, steps);
        total += best;
    }

    qint64 lowestDiagonal(qint64 n, qint64 m, qint64 margin) const { return std::min<qint64>(0, m - n) - margin; }
    int bandWidth(qint64 n, qint64 m, qint64 margin) const { return int(std::abs(m - n) + 1 + 2 * margin); }

    // The least any path leaving the diagonals [lowest, highest] can cost.
    qint64 outsideBound(qint64 n, qint64 m, qint64 margin) const
    {
        const qint64 lowest = lowestDiagonal(n, m, margin);
        const qint64 highest = lowest + bandWidth(n, m, margin) - 1;
        constexpr qint64 never = std::numeric_limits<qint64>::max();
        const qint64 above = highest + 1 > m ? never : (highest + 1) * m_minInsert + (highest + 1 - (m - n)) * m_minOmit;
        const qint64 below = lowest - 1 < -n ? never : (1 - lowest) * m_minOmit + (m - n + 1 - lowest) * m_minInsert;
        return std::min(above, below);
    }

    // Fills the direction table of the band (row i, diagonal j - i - lowest) and returns the
    // cost of the whole alignment; two rows of costs are kept, not the table of them. A pair
    // that cannot be on a path costing `limit` or less is not costed: a pair costs at least
    // the difference between leaving either side alone, and the rest of the path at least
    // the gaps that bring it back to the end.
    qint64 fillBand(int aFrom, qint64 n, int bFrom, qint64 m, qint64 margin, qint64 limit)
    {
        const qint64 lowest = lowestDiagonal(n, m, margin);
        const int width = bandWidth(n, m, margin);
        constexpr qint64 unreachable = std::numeric_limits<qint64>::max() / 4;
        m_directions.assign(std::size_t((n + 1) * width), Step::Pair);
        m_previous.assign(std::size_t(width) + 1, unreachable);
        m_current.assign(std::size_t(width) + 1, unreachable);
        for (qint64 i = 0; i <= n; ++i) {
            std::fill(m_current.begin(), m_current.end(), unreachable);
            const qint64 first = std::max<qint64>(0, i + lowest);
            const qint64 last = std::min<qint64>(m, i + lowest + width - 1);
            for (qint64 j = first; j <= last; ++j) {
                const std::size_t k = std::size_t(j - i - lowest);
                qint64 best = unreachable;
                Step step = Step::Pair;
                if (i == 0 && j == 0) {
                    best = 0;
                } else {
                    if (i > 0 && j > 0 && m_previous[k] < unreachable) {
                        const int a = aFrom + int(i) - 1;
                        const int b = bFrom + int(j) - 1;
                        const qint64 ahead = (m - j) - (n - i);
                        const qint64 least = m_previous[k] + std::abs(m_omitCost(a) - m_insertCost(b))
                                             + (ahead > 0 ? ahead * m_minInsert : -ahead * m_minOmit);
                        if (limit == kNoLimit || least <= limit)
                            best = m_previous[k] + m_pairCost(a, b);
                    }
                    if (i > 0 && m_previous[k + 1] < unreachable) {
                        const qint64 omitted = m_previous[k + 1] + m_omitCost(aFrom + int(i) - 1);
                        if (omitted <= best) {
                            best = omitted;
                            step = Step::Omit;
                        }
                    }
                    if (j > 0 && k > 0 && m_current[k - 1] < unreachable) {
                        const qint64 inserted = m_current[k - 1] + m_insertCost(bFrom + int(j) - 1);
                        if (inserted <= best) {
                            best = inserted;
                            step = Step::Insert;
                        }
                    }
                }
                m_current[k] = best;
                m_directions[std::size_t(i * width) + k] = step;
            }
            std::swap(m_previous, m_current);
        }
        return m_previous[std::size_t(m - n - lowest)];
    }

    void traceBack(qint64 n, qint64 m, qint64 margin, std::vector<Step> &steps) const
    {
        const qint64 lowest = lowestDiagonal(n, m, margin);
        const int width = bandWidth(n, m, margin);
        std::vector<Step> reversed;
        reversed.reserve(std::size_t(n + m));
        qint64 i = n;
        qint64 j = m;
        while (i > 0 || j > 0) {
            const Step step = m_directions[std::size_t(i * width + (j - i - lowest))];
            reversed.push_back(step);
            if (step != Step::Insert)
                --i;
            if (step != Step::Omit)
                --j;
        }
        steps.insert(steps.end(), reversed.rbegin(), reversed.rend());
    }

    // The first band's diagonals beyond those every path crosses, each side: a few missed
    // or extra items.
    static constexpr qint64 kFirstMargin = 8;
    static constexpr qint64 kNoLimit = std::numeric_limits<qint64>::max();

    PairCost m_pairCost;
    OmitCost m_omitCost;
    InsertCost m_insertCost;
    qint64 m_minOmit;
    qint64 m_minInsert;
    std::size_t m_maxCells;
    std::vector<Step> m_directions;
    std::vector<qint64> m_previous;
    std::vector<qint64> m_current;
};

template <class PairCost, class OmitCost, class InsertCost>
BandedAligner<PairCost, OmitCost, InsertCost> makeAligner(PairCost pairCost, OmitCost omitCost, InsertCost insertCost,
                                                          qint64 minOmit, qint64 minInsert,
                                                          std::size_t maxCells = kMaxAlignmentCells)
{
    return BandedAligner<PairCost, OmitCost, InsertCost>(pairCost, omitCost, insertCost, minOmit, minInsert, maxCells);
}

} // namespace copycheck
