// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal Qt 6 window, the start-up reference for startup_bench.
#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Bonjour"));
    window.show();
    return QApplication::exec();
}
