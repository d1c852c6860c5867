#include "platform/qt_delay_timer.h"

namespace platform {

QtDelayTimer::QtDelayTimer()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
}

void QtDelayTimer::setInterval(int milliseconds)
{
    m_timer.setInterval(milliseconds);
}

int QtDelayTimer::interval() const
{
    return m_timer.interval();
}

void QtDelayTimer::setEnabled(bool enabled)
{
    if (enabled && !m_timer.isActive())
        m_timer.start();
    else if (!enabled)
        m_timer.stop();
}

bool QtDelayTimer::isEnabled() const
{
    return m_timer.isActive();
}

} // namespace platform
