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

// Sound cues through Qt Multimedia's audio output (PulseAudio on X11). Wave files (PCM, 8 to 32 bits, or
// 32-bit float) are read by this class and kept decoded in a small cache, so a replay starts at once; each
// cue plays from memory through its own QAudioSink. Every call stops the cue still playing.
//
// A call can come back in while the one before it still ends its cue: destroying an audio stream lets the
// sound server's reports run. So the stream and the samples of the cue that ends are taken out of this object
// before they go, and a cue asked for meanwhile starts on a clean object and is not undone afterwards. A
// stream is never stopped from inside its own report either.
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
    std::unique_ptr<QBuffer> playing;
    std::unique_ptr<QAudioSink> sink;
};
