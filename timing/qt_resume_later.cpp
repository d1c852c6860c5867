// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/qt_resume_later.h"

namespace platform {

QtResumeLater::QtResumeLater()
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        std::function<void()> resume = std::move(m_resume);
        m_resume = nullptr;
        if (resume)
            resume();
    });
}

void QtResumeLater::schedule(std::function<void()> resume)
{
    m_resume = std::move(resume);
    m_timer.start();
}

void QtResumeLater::cancel()
{
    m_timer.stop();
    m_resume = nullptr;
}

} // namespace platform
