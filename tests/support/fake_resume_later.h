// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manual_clock.h"
#include "reading/resume_later.h"

namespace testing_support {

// Resumes on the manual clock, at the current time: the next advance() runs it.
class FakeResumeLater : public reading::ResumeLater
{
public:
    explicit FakeResumeLater(ManualClock &clock)
        : m_clock(clock)
    {
    }

    void schedule(std::function<void()> resume) override
    {
        cancel();
        ++scheduled;
        m_id = m_clock.schedule(0, [this, resume = std::move(resume)] {
            m_id = 0;
            resume();
        });
    }
    void cancel() override
    {
        if (m_id != 0)
            m_clock.cancel(m_id);
        m_id = 0;
    }
    bool isPending() const { return m_id != 0; }

    int scheduled = 0;

private:
    ManualClock &m_clock;
    ManualClock::Id m_id = 0;
};

} // namespace testing_support
