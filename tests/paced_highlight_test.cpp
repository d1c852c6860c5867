// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/paced_highlight.h"

#include <QtTest>
#include <algorithm>
#include <vector>

using ui::PacedHighlight;
using namespace std::chrono_literals;

// Moves are timed on a clock of the test's own; only the timer that shows a move left
// waiting runs on the real event loop.
class PacedHighlightTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_now = PacedHighlight::Clock::time_point(1h);
        m_shown.clear();
    }

    void everyMoveIsShownAtOnceAtAReadingPace()
    {
        PacedHighlight highlight(recordShown(), testClock());
        // A reading starts with two moves at once (nothing read, then the first character).
        highlight.moveTo(0);
        highlight.moveTo(1);
        for (int i = 2; i < 40; ++i) {
            m_now += 60ms;
            highlight.moveTo(i);
            QCOMPARE(m_shown.back(), i);
        }
        QCOMPARE(m_shown.size(), size_t(40));
        QVERIFY(!highlight.isWaiting());
    }

    void fastMovesAreThinnedOutAndTheLastOneIsShownWhenTheReadingHolds()
    {
        PacedHighlight highlight(recordShown(), testClock());
        for (int i = 0; i < 200; ++i) {
            highlight.moveTo(i);
            m_now += 11ms;
        }
        // 2.2 s at twenty moves a second, after a burst of three.
        QVERIFY2(m_shown.size() >= 40 && m_shown.size() <= 52, QByteArray::number(qulonglong(m_shown.size())));
        QVERIFY(std::is_sorted(m_shown.begin(), m_shown.end()));
        // Shown as they come, never held back for long: no timer is needed at a steady pace.
        for (size_t i = 1; i < m_shown.size(); ++i)
            QVERIFY(m_shown[i] - m_shown[i - 1] <= 6);
        QVERIFY(highlight.isWaiting());
        highlight.flush();
        QCOMPARE(m_shown.back(), 199);
        QVERIFY(!highlight.isWaiting());
    }

    void aMoveLeftWaitingIsShownByTheTimerUnlessDropped()
    {
        PacedHighlight highlight(recordShown(), testClock());
        for (int i = 0; i < 4; ++i)
            highlight.moveTo(i);
        QCOMPARE(m_shown, (std::vector<int>{0, 1, 2}));
        QTRY_COMPARE_WITH_TIMEOUT(m_shown.back(), 3, 1000);

        highlight.moveTo(4);
        QVERIFY(highlight.isWaiting());
        highlight.drop(); // a new text is shown: its old positions mean nothing
        QTest::qWait(150);
        QCOMPARE(m_shown.back(), 3);
    }

private:
    PacedHighlight::Show recordShown()
    {
        return [this](int characters) { m_shown.push_back(characters); };
    }
    PacedHighlight::Now testClock()
    {
        return [this] { return m_now; };
    }

    PacedHighlight::Clock::time_point m_now;
    std::vector<int> m_shown;
};

QTEST_GUILESS_MAIN(PacedHighlightTest)
#include "paced_highlight_test.moc"
