// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// SIGINT, SIGTERM and SIGHUP (Ctrl+C, kill, the end of a session) told on the GUI
// thread, so the program can end as its own Quit does, whatever state it is in.
// A signal handler may do almost nothing: it only writes to a socket pair.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
