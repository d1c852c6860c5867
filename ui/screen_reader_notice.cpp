// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/screen_reader_notice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

constexpr int kLifeMs = 10000;

// The widget that carries one piece of news, which is its accessible name from the
// start (a name set afterwards would send a change of name as well).
class NoticeWidget : public QWidget
{
public:
    NoticeWidget(const QString &news, QWidget *parent)
        : QWidget(parent)
        , m_news(news)
    {
    }
    QString news() const { return m_news; }

private:
    QString m_news;
};

class NoticeAccessible : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(NoticeWidget *notice)
        : QAccessibleWidget(notice, QAccessible::Notification)
    {
    }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? static_cast<NoticeWidget *>(widget())->news() : QString();
    }
};

QAccessibleInterface *noticeAccessible(const QString &, QObject *object)
{
    if (auto *notice = dynamic_cast<NoticeWidget *>(object))
        return new NoticeAccessible(notice);
    return nullptr;
}

} // namespace

ScreenReaderNotice::ScreenReaderNotice(QWidget *parent)
    : QObject(parent)
    , m_parent(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(&noticeAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

void ScreenReaderNotice::tell(const QString &news)
{
    delete m_current;
    auto *notice = new NoticeWidget(news, m_parent);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setGeometry(0, 0, 0, 0);
    notice->show();
    // Gone once it has been spoken, so that nobody meets it when exploring the window.
    QTimer::singleShot(kLifeMs, notice, &QObject::deleteLater);
    m_current = notice;
}

} // namespace ui
