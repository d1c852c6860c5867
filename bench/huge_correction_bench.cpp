// SPDX-License-Identifier: GPL-3.0-or-later
// Huge corrections in the real main window (offscreen, silent timed player): the time
// from Read to the text shown, how late the window answers afterwards, the cost of one
// highlight step at several places, Stop and Quit, and resident memory: peak and with
// the text shown, above idle, as a multiple of the file's size. Times are given as wall
// clock and as processor time, which other programs on the machine disturb less.
//
// usage: huge_correction_bench [--megabytes N]
//            [--case one-line|short-lines|accented|line-breaks|all]

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
#include <ctime>
#include <functional>
#include <random>

namespace {

long statusKb(const char *key = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(qstrlen(key))).trimmed().split(' ').first().toLong();
    }
    return 0;
}

long residentKb()
{
    return statusKb();
}

// The peak resident size counts again from the present one.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double cpuMs(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
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

// `signs`: every character of the text but line breaks, each given a sound in the table.
void measure(const char *name, const QByteArray &text, qint64 characters, bool sounded,
             const QString &signs = QStringLiteral("ab"))
{
    QTemporaryDir dir;
    QByteArray table;
    for (qsizetype k = 0; k < signs.size(); ++k)
        table += signs.mid(k, 1).toUtf8() + " son_" + QByteArray::number(k) + "\r\n";
    testing_support::writeFile(dir.filePath(QStringLiteral("kaloncor.ref")), table);
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
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuMs();
    read->click();
    const double shownMs = msSince(timer);
    const double shownCpuMs = cpuMs() - cpuBefore;
    const long shownKb = residentKb();
    const long peakKb = statusKb("VmHWM:");
    std::printf("  Read to text shown: %.0f ms (processor %.0f ms); resident %.1f bytes/character beyond idle "
                "(%ld MB idle)\n",
                shownMs, shownCpuMs, (shownKb - idleKb) * 1024.0 / characters, idleKb / 1024);
    std::printf("  memory above idle: peak %.1f MB = %.2f x the file, with the text shown %.1f MB = %.2f x\n",
                (peakKb - idleKb) / 1024.0, (peakKb - idleKb) * 1024.0 / text.size(), (shownKb - idleKb) / 1024.0,
                (shownKb - idleKb) * 1024.0 / text.size());

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
        double stepsCpu = 0;
        const auto timedMove = [&](int position) {
            runUntil([] { return false; }, 2 * static_cast<int>(ui::PacedHighlight::kInterval.count()));
            timer.restart();
            const double cpu = cpuMs(CLOCK_THREAD_CPUTIME_ID);
            form->highlightRead(position);
            QCoreApplication::processEvents();
            stepsCpu += cpuMs(CLOCK_THREAD_CPUTIME_ID) - cpu;
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
        std::printf("  one highlight step, worst at 5 places: %.2f ms (a jump there: %.1f ms); "
                    "processor for the 20 moves: %.1f ms\n",
                    worstStep, worstJump, stepsCpu);
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
        // As the trainer writes an exercise: groups of five signs, 60 characters a line.
        std::mt19937 random(1);
        const QByteArray signs = "abcdefghijklmnopqrstuvwxyz0123456789";
        QByteArray text;
        text.reserve(size);
        while (text.size() + 62 <= size) {
            for (int group = 0; group < 10; ++group) {
                for (int k = 0; k < 5; ++k)
                    text += signs[static_cast<qsizetype>(random() % signs.size())];
                text += group < 9 ? ' ' : '=';
            }
            text += "\r\n";
        }
        measure("short lines", text, text.size(), true, QString::fromLatin1(signs + " ="));
    }
    if (which == QLatin1String("all") || which == QLatin1String("accented")) {
        const QString french = QStringLiteral("Le c\u0153ur de l'\u00e9l\u00e8ve bat \u00e0 la fen\u00eatre ; "
                                              "o\u00f9 est pass\u00e9 ce gar\u00e7on ? D\u00e9j\u00e0 l'\u00e9t\u00e9.\r\n");
        const QByteArray line = french.toUtf8();
        const qint64 lines = size / line.size();
        QString signs;
        for (const QChar c : french) {
            if (!signs.contains(c) && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                signs += c;
        }
        measure("accented (UTF-8)", line.repeated(lines), lines * french.size(), true, signs);
    }
    if (which == QLatin1String("all") || which == QLatin1String("line-breaks")) {
        const qint64 breaks = std::min<qint64>(size, 20 * 1000 * 1000);
        measure("CR LF pairs", QByteArray("\r\n").repeated(breaks / 2) + "ab", breaks + 2, false);
    }
    return 0;
}
