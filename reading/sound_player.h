// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace reading {

struct SoundProblem
{
    enum class Kind {
        NoOutput, // no sound device or server: nothing can be heard at all
        BadFile,  // this one file is missing, unreadable or not a WAV we can decode
        OutputStalled, // the output stopped playing (a server stopped, a sink suspended)
    };
    Kind kind = Kind::BadFile;
    QString path;
    QString reason; // French, for the user
};

// The sound player: one sound open at a time, started without blocking.
//
// Contract: after play(), the completion handler is called exactly once, when the sound
// has ended, and never from inside play() itself. A sound that could not be opened
// completes at once (asynchronously) all the same, so that a reading never hangs.
// close() stops the current sound; a closed sound does not complete.
// A problem found only after open() returned (a large file decoded in the background)
// is told through the late-problem handler, before the sound completes at once.
class SoundPlayer
{
public:
    using CompletionHandler = std::function<void()>;
    using ProblemHandler = std::function<void(const SoundProblem &)>;

    virtual ~SoundPlayer() = default;

    // Opens the output, at start-up. Returns the problem, if any.
    // Also called at each Read: the output is then held until release(), through
    // delays and pauses of any length.
    virtual std::optional<SoundProblem> prepare() = 0;
    // The reading has ended: the output may be let go after a while.
    virtual void release() {}
    virtual void close() = 0;
    virtual std::optional<SoundProblem> open(const QString &path) = 0;
    virtual void play() = 0;

    // Hands a coming sound over while the current one plays, so that it starts exactly
    // `gapMs` after the end of the sound before it (the current one, or the one handed
    // ahead before it), on the output's own timeline, wherever the reading stands then.
    // The open() and play() of the first handed path take it up at its moment; an open()
    // of another path withdraws them all. Returns false where the output cannot (the
    // sound is then placed at its play(), as any other).
    virtual bool handAhead(const QString &path, int gapMs)
    {
        (void)path;
        (void)gapMs;
        return false;
    }
    // The sounds handed ahead are not due after all: none of them is heard.
    virtual void withdrawAhead() {}

    void setCompletionHandler(CompletionHandler handler) { m_onCompletion = std::move(handler); }
    void setLateProblemHandler(ProblemHandler handler) { m_onLateProblem = std::move(handler); }

protected:
    void complete()
    {
        if (m_onCompletion)
            m_onCompletion();
    }
    void reportLateProblem(const SoundProblem &problem)
    {
        if (m_onLateProblem)
            m_onLateProblem(problem);
    }

private:
    CompletionHandler m_onCompletion;
    ProblemHandler m_onLateProblem;
};

} // namespace reading
