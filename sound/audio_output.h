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
// A sound is placed at the frame that matches the moment it is played, a fixed lead
// beyond what is heard now, so that its end can be told `lead` before it is heard and
// the next sound, played a delay later, lands exactly a delay after that end.
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

    // Places a sound played now; returns the seconds from now to the moment its end is
    // to be told. Never over a sound placed earlier. The sound may still be arriving.
    virtual double place(std::shared_ptr<const Samples> samples, std::uint64_t generation) = 0;
    // Drops a sound that has not ended; the next one starts afresh.
    virtual void cancel(std::uint64_t generation) = 0;
    // At the moment its end is due: has the output really come that far? A stream that
    // started late or stalled says no, and the end waits for it.
    virtual bool endReached(std::uint64_t generation) = 0;
    // The end was told, at its moment (`onTime`) or late: the next sound may be placed
    // from the end of this one (each output knows when that holds).
    virtual void endTold(bool onTime) = 0;
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
