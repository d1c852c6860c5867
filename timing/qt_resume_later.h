// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reading/resume_later.h"

#include <QTimer>

namespace platform {

// Resumes from the Qt event loop on a zero-time timer, after the pending events.
class QtResumeLater : public reading::ResumeLater
{
public:
    QtResumeLater();

    void schedule(std::function<void()> resume) override;
    void cancel() override;

private:
    QTimer m_timer;
    std::function<void()> m_resume;
};

} // namespace platform
