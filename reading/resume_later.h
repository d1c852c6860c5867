// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace reading {

// Lets a long piece of work hand control back to the window's event loop and go on
// from there, so that clicks and repaints are handled in between.
class ResumeLater
{
public:
    virtual ~ResumeLater() = default;

    // `resume` runs once, from the event loop, after what is already waiting there.
    // A second call before it has run replaces it.
    virtual void schedule(std::function<void()> resume) = 0;
    virtual void cancel() = 0;
};

} // namespace reading
