// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;
class QWidget;

namespace ui {

// A file dropped anywhere on the window becomes the correction. The fields would take a
// dropped file's address as text; the drop of a file is taken before them, while text
// dragged from elsewhere still goes into a field.
class CorrectionDrop : public QObject
{
public:
    using Dropped = std::function<void(const QString &path)>;

    CorrectionDrop(QWidget *window, Dropped dropped);

    // Takes the drops of a file that reach `widget`.
    void watch(QWidget *widget);

    // The first local regular file among the dropped addresses, or empty.
    static QString droppedFile(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Dropped m_dropped;
};

} // namespace ui
