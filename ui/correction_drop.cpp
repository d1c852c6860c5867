// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/correction_drop.h"

#include "files/file_name.h"
#include "files/file_stamp.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <utility>

namespace ui {

CorrectionDrop::CorrectionDrop(QWidget *window, Dropped dropped)
    : QObject(window)
    , m_dropped(std::move(dropped))
{
    watch(window);
}

void CorrectionDrop::watch(QWidget *widget)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

namespace {

// The file a local URL names. Its path is taken from the percent-escaped bytes, so that
// a name that is not UTF-8 (file:///tmp/caf%E9.txt) is that very file: toLocalFile()
// would put U+FFFD in place of such a byte.
QString localFile(const QUrl &url)
{
#ifdef Q_OS_UNIX
    const QString host = url.host();
    if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return platform::fileNameText(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
#endif
    return url.toLocalFile();
}

} // namespace

QString CorrectionDrop::droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = localFile(url);
        if (platform::stampOf(path).kind == platform::FileStamp::Kind::RegularFile)
            return path;
    }
    return {};
}

bool CorrectionDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        m_dropped(path);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace ui
