// SPDX-License-Identifier: MIT
#pragma once

#include "../SoundOutput.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>

class QAudioSink;
class QBuffer;
class QObject;

// Sound cues through Qt Multimedia's audio output (PulseAudio on X11). Wave files (PCM, 8 to 32 bits, or
// 32-bit float) are read by this class and kept decoded in a small cache, so a replay starts at once; each
// cue plays from memory through an audio stream of its own. Every call stops the cue still playing.
//
// A stream is never destroyed from inside play(): the one a new cue replaces is stopped, cut off from this
// class, and released from the event loop (deleteLater) together with the samples it was reading, once the
// sound server's last reports on it have been delivered. Destroying it at once, while the sound server could
// still be reporting its state, crashed the program with Qt 6.4 when cues followed each other closely. A
// stopped stream restarted for the next cue stays silent after such sequences, so each cue has a new one.
// Cues asked for while no sound server answers are skipped.
//
// QSoundEffect is not used: in Qt 6.4 it cuts the last ~145 ms off every sound on PulseAudio (a click would
// be lost entirely), and once it has been given a file it cannot decode, destroying any sound effect blocks
// forever.
class QtSoundOutput : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    QtSoundOutput(const QtSoundOutput&) = delete;
    QtSoundOutput& operator=(const QtSoundOutput&) = delete;

    void play(const QString& file) override;

    // The audio streams that exist now: the one playing and those not yet released; for tests.
    int streamCount() const;

private:
    struct Cue {
        QAudioFormat format; // invalid when the file is not a playable wave file
        QByteArray samples;  // followed by a short silence, see QtSoundOutput.cpp
        QDateTime modified;
        qint64 size = 0;
        uint64_t lastUse = 0;
    };
    static constexpr size_t kCachedCues = 8; // the program has three cues; room for a few more

    const Cue& cueFor(const QString& path, const QDateTime& modified, qint64 size);
    void stop();

    std::map<QString, Cue> cues; // by absolute file path
    uint64_t useCount = 0;
    std::unique_ptr<QObject> owner; // parent of the streams and the buffers they read
    QAudioSink* sink = nullptr;     // the stream of the last cue
    QBuffer* playing = nullptr;     // the samples it reads
};
