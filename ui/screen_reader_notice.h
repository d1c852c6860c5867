// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace ui {

// Tells a screen reader a short piece of news ("Lecture terminée") without moving the
// focus: an object with the notification role appears, named by the news, which screen
// readers speak when it shows (AT-SPI: state-changed:showing of a notification). It
// takes no room on the screen. Each piece of news is a new object, so that no "hidden"
// change of an old one is ever spoken.
class ScreenReaderNotice : public QObject
{
public:
    explicit ScreenReaderNotice(QWidget *parent);

    void tell(const QString &news);
    QWidget *current() const { return m_current; }

private:
    QWidget *m_parent;
    QPointer<QWidget> m_current;
};

} // namespace ui
