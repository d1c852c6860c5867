// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/output_sound.h"
#include "sound/wav_decoding.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

namespace platform {

// One open sound output (a stream on the sound server, or a device), as the player
// sees it. Every call comes from the GUI thread.
//
// An output with a timeline of its own (the sound server's stream) places each sound at
// a frame of that timeline: a sound that follows another is handed over ahead of its
// moment and starts exactly its gap after that one's end, whenever the hand-over
// comes. An output without one (a device) places a sound at the frame that matches the
// moment it is played, a fixed lead beyond what is heard now, and chains it from the
// end of the previous one when that end was told on time.
class AudioOutput
{
public:
    using Samples = OutputSound;

    virtual ~AudioOutput() = default;

    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // The server or the device went away: the output is to be opened again.
    virtual bool isLost() const = 0;
    // The output is consuming in real time, so a sound placed now starts where placed.
    virtual bool isSteady() const = 0;
    // Whether placeAfter() is exact whenever it is called (see above).
    virtual bool hasTimeline() const { return false; }

    // Places a sound that follows no other, as soon as the output can play it; returns
    // the seconds from now to the moment its end is to be told. Never over a sound placed
    // earlier. The sound may still be arriving.
    virtual double place(std::shared_ptr<const Samples> samples, std::uint64_t generation) = 0;
    // Places a sound `gapMs` after the end of the sound placed last, on the timeline.
    virtual double placeAfter(std::shared_ptr<const Samples> samples, std::uint64_t generation, int gapMs)
    {
        (void)gapMs;
        return place(std::move(samples), generation);
    }
    // Withdraws a sound that has not ended: what is not heard yet of it is never heard.
    virtual void cancel(std::uint64_t generation) = 0;
    // At the moment its end is due: has the output really come that far? A stream that
    // started late or stalled says no, and the end waits for it.
    virtual bool endReached(std::uint64_t generation) = 0;
    // The end of the sound placed last was told, and nothing follows it yet.
    virtual void endTold() = 0;
};

// What the sound module offers: its outputs and the WAV decoder, loaded only when the
// first sound is wanted (they bring the sound libraries with them).
struct SoundModule
{
    enum class Output { SoundServer, SdlDevice };

    std::unique_ptr<AudioOutput> (*openOutput)(Output kind, QString &problem);
    // Decodes a WAV file into `sink` (see wav_decoding.h); `cancel` abandons it between
    // pieces. Returns the French reason when the file cannot be used.
    QString (*decodeWav)(const QString &path, int rate, int channels, const std::atomic<bool> *cancel,
                         DecodedSamplesSink &sink);
    QString (*wavFormatProblem)(const QByteArray &beginning);
    // At exit: lets the sound libraries go.
    void (*shutDown)();
};

} // namespace platform
