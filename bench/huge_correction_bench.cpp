// SPDX-License-Identifier: GPL-3.0-or-later
// Huge corrections in the real main window (offscreen, silent timed player): the time
// from Read to the text shown, how late the window answers afterwards, the cost of one
// highlight step at several places, Stop and Quit, and resident memory per character.
//
// usage: huge_correction_bench [--megabytes N] [--case one-line|short-lines|line-breaks|all]

#include "test_files.h"
#include "timed_fake_player.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Watches the event loop: the longest time between two turns, and the largest resident
// memory seen on those turns.
struct Watch
{
    Watch()
    {
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, &probe, [this] {
            const qint64 now = clock.nsecsElapsed();
            if (last > 0)
                longestGapMs = std::max(longestGapMs, (now - last) / 1e6);
            last = now;
            if (++turns % 64 == 0)
                largestKb = std::max(largestKb, residentKb());
        });
    }
    void start()
    {
        longestGapMs = 0;
        largestKb = residentKb();
        last = 0;
        clock.start();
        probe.start();
    }
    void stop() { probe.stop(); }

    QTimer probe;
    QElapsedTimer clock;
    qint64 last = 0;
    long turns = 0;
    double longestGapMs = 0;
    long largestKb = 0;
};

void runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double msSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void measure(const char *name, const QByteArray &text, qint64 characters, bool sounded)
{
    QTemporaryDir dir;
    testing_support::writeFile(dir.filePath(QStringLiteral("kaloncor.ref")), "a son_a\r\nb son_b\r\n");
    testing_support::writeFile(dir.filePath(QStringLiteral("test.txt")), text);
    const platform::DefaultFields fields{dir.filePath(QStringLiteral("test.txt")), dir.path() + QLatin1Char('/'),
                                         QStringLiteral("1")};
    testing_support::TimedFakePlayer player(20);
    auto *form = new ui::Form1(player, fields);
    form->show();
    runUntil([] { return false; }, 700); // past the start-up tick
    const long idleKb = residentKb();
    auto *read = form->findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *stop = form->findChild<QPushButton *>(QStringLiteral("Command2"));

    std::printf("%s: %.1f MB, %lld characters\n", name, text.size() / 1e6, static_cast<long long>(characters));
    QElapsedTimer timer;
    timer.start();
    read->click();
    const double shownMs = msSince(timer);
    const long shownKb = residentKb();
    std::printf("  Read to text shown: %.0f ms; resident %.1f bytes/character beyond idle (%ld MB idle)\n", shownMs,
                (shownKb - idleKb) * 1024.0 / characters, idleKb / 1024);

    const auto stopToRest = [&] {
        timer.restart();
        stop->click();
        runUntil([&] { return read->isVisible() && read->isEnabled(); }, 120000);
        std::printf("  Stop to rest: %.1f ms\n", msSince(timer));
    };
    Watch watch;
    watch.start();
    if (sounded) {
        runUntil([] { return false; }, 2000);
        watch.stop();
        std::printf("  longest wait of the event loop over 2 s of reading: %.1f ms\n", watch.longestGapMs);
        stopToRest();
        // A step is one more character highlighted; a jump lands far from the last one.
        // Timed with nothing else moving it, at a reading pace (where it moves at once).
        const auto timedMove = [&](int position) {
            runUntil([] { return false; }, 2 * static_cast<int>(ui::PacedHighlight::kInterval.count()));
            timer.restart();
            form->highlightRead(position);
            QCoreApplication::processEvents();
            return msSince(timer);
        };
        double worstStep = 0;
        double worstJump = 0;
        for (const double at : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const int position = static_cast<int>((characters - 2) * at);
            worstJump = std::max(worstJump, timedMove(position));
            for (int step = 1; step <= 3; ++step)
                worstStep = std::max(worstStep, timedMove(position + step));
        }
        std::printf("  one highlight step, worst at 5 places: %.2f ms (a jump there: %.1f ms)\n", worstStep, worstJump);
        // What a long reading keeps of the paragraphs it has left: the highlight moved
        // through 300 paragraphs, one move each, at a reading pace.
        const long beforeWalkKb = residentKb();
        constexpr int kParagraphs = 300;
        const int stride = static_cast<int>(std::min<qint64>(1100, (characters - 2) / kParagraphs));
        for (int paragraph = 0; paragraph < kParagraphs; ++paragraph) {
            form->highlightRead(paragraph * stride);
            runUntil([] { return false; }, static_cast<int>(ui::PacedHighlight::kInterval.count()) + 2);
        }
        std::printf("  highlight moved through %d paragraphs: %+.1f bytes per character passed\n", kParagraphs,
                    (residentKb() - beforeWalkKb) * 1024.0 / (kParagraphs * stride));
    } else {
        runUntil([&] { return read->isVisible(); }, 120000);
        watch.stop();
        std::printf("  text shown to rest: %.0f ms; longest wait of the event loop %.1f ms; "
                    "resident during the walk at most %+.1f%% of the figure with the text shown\n",
                    msSince(watch.clock), watch.longestGapMs, 100.0 * (watch.largestKb - shownKb) / shownKb);
        // Again, stopped in the middle of the walk.
        read->click();
        runUntil([] { return false; }, 50);
        std::printf("  stopped %s\n", form->readingRun().isRunning() ? "during the walk" : "after the walk (too late)");
        stopToRest();
    }

    timer.restart();
    form->quitter_Click();
    delete form;
    std::printf("  Quit (and the window gone): %.0f ms\n", msSince(timer));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 megabytes = 50;
    QString which = QStringLiteral("all");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--megabytes"))
            megabytes = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--case"))
            which = args[i + 1];
    }
    const qint64 size = megabytes * 1000 * 1000;
    if (which == QLatin1String("all") || which == QLatin1String("one-line"))
        measure("one line", QByteArray(size, 'a'), size, true);
    if (which == QLatin1String("all") || which == QLatin1String("short-lines")) {
        const QByteArray line = QByteArray(38, 'a') + "\r\n";
        measure("short lines", line.repeated(size / line.size()), size / line.size() * line.size(), true);
    }
    if (which == QLatin1String("all") || which == QLatin1String("line-breaks")) {
        const qint64 breaks = std::min<qint64>(size, 20 * 1000 * 1000);
        measure("CR LF pairs", QByteArray("\r\n").repeated(breaks / 2) + "ab", breaks + 2, false);
    }
    return 0;
}
