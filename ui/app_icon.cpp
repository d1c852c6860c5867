// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/app_icon.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <array>
#include <map>

// Resources of a static library are registered by hand, outside any namespace.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace ui {

namespace {

constexpr std::array<int, 4> kSizes = {16, 32, 48, 256};

// Each size is read when it is first asked for, as PNG (no image plugin is probed):
// the window shows without waiting for sizes nobody looks at.
class LazyIconEngine : public QIconEngine
{
public:
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int wanted = std::max(size.width(), size.height());
        int chosen = kSizes.back();
        for (const int candidate : kSizes) {
            if (candidate >= wanted) {
                chosen = candidate;
                break;
            }
        }
        QPixmap &loaded = m_loaded[chosen];
        if (loaded.isNull())
            loaded = QPixmap::fromImage(QImage(QStringLiteral(":/icons/virod-idadidavir-%1.png").arg(chosen), "png"));
        return loaded.size() == size ? loaded : loaded.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int size : kSizes)
            sizes.append(QSize(size, size));
        return sizes;
    }
    QIconEngine *clone() const override { return new LazyIconEngine(*this); }
    QString key() const override { return QStringLiteral("virod-idadidavir"); }

private:
    std::map<int, QPixmap> m_loaded;
};

} // namespace

QIcon appIcon()
{
    registerIconResources();
    return QIcon(new LazyIconEngine);
}

} // namespace ui
