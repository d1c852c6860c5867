// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison of a learner's copy with its correction: 10,000 characters in five-character
// groups against a copy of the same size with about 5 % of faulty characters, missed groups
// and extra groups; then harder copies. For each: the median wall-clock and processor time
// of compareCopy over the runs, and the peak of the memory it holds at once (every
// allocation counted, not the resident size, which the allocator keeps).
//
// usage: copy_comparison_bench [--runs N]

#include "copy/copy_comparison.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <malloc.h>
#include <new>
#include <random>
#include <vector>

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};
#ifdef __SANITIZE_ADDRESS__
constexpr bool kCounting = false;
#else
constexpr bool kCounting = true;
#endif

} // namespace

// Under AddressSanitizer, which replaces the allocation operators itself, nothing is counted.
#ifndef __SANITIZE_ADDRESS__
namespace {

void counted(void *block)
{
    const std::size_t live = g_live += malloc_usable_size(block);
    std::size_t peak = g_peak;
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
}

} // namespace

void *operator new(std::size_t size)
{
    void *block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    counted(block);
    return block;
}

void operator delete(void *block) noexcept
{
    if (block)
        g_live -= malloc_usable_size(block);
    std::free(block);
}

void operator delete(void *block, std::size_t) noexcept
{
    operator delete(block);
}
#endif

namespace {

const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789?/.,=");

QString randomGroup(std::mt19937 &random, int length)
{
    QString group;
    for (int c = 0; c < length; ++c)
        group += kAlphabet.at(int(random() % unsigned(kAlphabet.size())));
    return group;
}

QString correctionOf(std::mt19937 &random, int groups)
{
    QStringList text;
    for (int g = 0; g < groups; ++g)
        text << randomGroup(random, 5);
    return text.join(QLatin1Char(' '));
}

// About `faultPercent` % of the characters wrong, missed or added, and one group in a
// hundred missed, one in a hundred added.
QString copyOf(std::mt19937 &random, const QString &correction, int faultPercent)
{
    QStringList copy;
    for (const QString &group : correction.split(QLatin1Char(' '))) {
        const unsigned roll = random() % 100;
        if (roll == 0)
            continue;
        if (roll == 1)
            copy << randomGroup(random, 5);
        QString copied;
        for (const QChar character : group) {
            const unsigned fault = random() % (100 * 3);
            if (fault >= unsigned(faultPercent) * 3)
                copied += character;
            else if (fault % 3 == 0)
                copied += kAlphabet.at(int(random() % unsigned(kAlphabet.size())));
            else if (fault % 3 == 1)
                copied += QString(character) + kAlphabet.at(int(random() % unsigned(kAlphabet.size())));
        }
        copy << copied;
    }
    return copy.join(QLatin1Char(' '));
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const char *name, const QString &correction, const QString &copy, int runs)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    std::size_t peak = 0;
    Q_UNUSED(copycheck::compareCopy(correction, copy)); // warm-up
    copycheck::Comparison result;
    for (int run = 0; run < runs; ++run) {
        const std::size_t before = g_live;
        g_peak = before;
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = cpuMs();
        result = copycheck::compareCopy(correction, copy);
        cpu.push_back(cpuMs() - startCpu);
        wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        peak = std::max(peak, g_peak - before);
    }
    std::printf("%-34s %6lld / %6lld chars  %5.1f %% right  %5d errors   median %7.2f ms wall %7.2f ms cpu   peak %s\n",
                name, static_cast<long long>(correction.size()), static_cast<long long>(copy.size()),
                result.percentRight(), result.errors(), median(wall), median(cpu),
                kCounting ? qPrintable(QStringLiteral("%1 MiB").arg(double(peak) / (1 << 20), 6, 'f', 2)) : "not counted");
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 21;
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--runs"))
        runs = std::max(1, std::atoi(argv[2]));
    std::mt19937 random(26);
    const QString correction = correctionOf(random, 1667); // 10,000 characters with the blanks
    std::printf("%d runs each\n", runs);
    measure("5 % faults, missed and extra groups", correction, copyOf(random, correction, 5), runs);
    measure("20 % faults", correction, copyOf(random, correction, 20), runs);
    measure("first 200 groups missed", correction, correction.mid(1200), runs);
    measure("unrelated copy", correction, correctionOf(random, 1667), runs);
    const QString bigCorrection = correctionOf(random, 2000); // 10,000 characters without the blanks
    measure("2,000 groups, 5 % faults", bigCorrection, copyOf(random, bigCorrection, 5), runs);
    QString oneGroup = correction;
    oneGroup.remove(QLatin1Char(' '));
    measure("one 8,000-character group", oneGroup, copyOf(random, oneGroup, 5), runs);
    return 0;
}
