// SPDX-License-Identifier: MIT
#include "QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QtEndian>

#include <algorithm>

namespace {

// Silence played after each cue. The audio output stops its stream once the samples run out, which
// discards what the sound server still holds (up to ~150 ms on PulseAudio); that must be silence, not the
// end of the cue.
constexpr int kTrailingSilenceMs = 300;

constexpr quint16 kPcm = 1;
constexpr quint16 kIeeeFloat = 3;
constexpr quint16 kExtensible = 0xFFFE;

quint16 le16(const char* bytes) {
    return qFromLittleEndian<quint16>(bytes);
}
quint32 le32(const char* bytes) {
    return qFromLittleEndian<quint32>(bytes);
}

// Reads a RIFF wave file into `format` and `samples`; false for anything else or a kind of wave this
// program cannot play. 24-bit samples are widened to 32 bits, the smallest format the output takes.
bool readWave(const QByteArray& file, QAudioFormat& format, QByteArray& samples) {
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return false;
    quint16 encoding = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    bool haveFormat = false;
    QByteArray data;
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const QByteArray id = file.mid(at, 4);
        const qint64 length = le32(file.constData() + at + 4);
        const qsizetype body = at + 8;
        const qsizetype available = std::min<qint64>(length, file.size() - body);
        if (id == "fmt " && available >= 16) {
            const char* fmt = file.constData() + body;
            encoding = le16(fmt);
            channels = le16(fmt + 2);
            rate = static_cast<int>(le32(fmt + 4));
            bits = le16(fmt + 14);
            if (encoding == kExtensible && available >= 26)
                encoding = le16(fmt + 24); // first bytes of the sub-format GUID
            haveFormat = true;
        } else if (id == "data") {
            data = file.mid(body, available); // a cut-off data chunk still plays what is there
            break;
        }
        at = body + length + (length & 1);
    }
    if (!haveFormat || channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
        return false;

    format.setChannelCount(channels);
    format.setSampleRate(rate);
    if (encoding == kPcm && bits == 8)
        format.setSampleFormat(QAudioFormat::UInt8);
    else if (encoding == kPcm && bits == 16)
        format.setSampleFormat(QAudioFormat::Int16);
    else if (encoding == kPcm && (bits == 24 || bits == 32))
        format.setSampleFormat(QAudioFormat::Int32);
    else if (encoding == kIeeeFloat && bits == 32)
        format.setSampleFormat(QAudioFormat::Float);
    else
        return false;

    if (bits == 24) {
        QByteArray widened;
        widened.reserve(data.size() / 3 * 4);
        for (qsizetype i = 0; i + 3 <= data.size(); i += 3)
            widened.append('\0').append(data.constData() + i, 3);
        data = widened;
    }
    const int frameBytes = format.bytesPerFrame();
    data.truncate(data.size() - data.size() % frameBytes);
    if (data.isEmpty())
        return false;
    const char silence = format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0);
    samples = data + QByteArray(format.bytesForDuration(kTrailingSilenceMs * 1000), silence);
    return true;
}

} // namespace

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() {
    stop();
}

void QtSoundOutput::stop() {
    // Taken out first: what runs while the stream ends finds nothing half gone here, and a cue it starts
    // keeps its own stream and samples.
    std::unique_ptr<QAudioSink> ending = std::move(sink);
    std::unique_ptr<QBuffer> samples = std::move(playing);
    if (ending) {
        QObject::disconnect(ending.get(), nullptr, nullptr, nullptr);
        ending->stop();
    }
    ending.reset();
    samples.reset(); // after its stream, which reads it until it stops
}

void QtSoundOutput::play(const QString& file) {
    stop();
    if (sink)
        return; // a cue asked for while the last one ended has started: this one is dropped, like a second
                // press
    // Checked on every call, not only when the cue is first read: a file deleted since stays silent.
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return;
    const Cue& cue = cueFor(info.absoluteFilePath(), info.lastModified(), info.size());
    if (!cue.format.isValid())
        return;

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(cue.format))
        return;
    playing = std::make_unique<QBuffer>();
    playing->setData(cue.samples); // shares the cached bytes
    playing->open(QIODevice::ReadOnly);
    sink = std::make_unique<QAudioSink>(device, cue.format);
    // Closes the stream once the cue (and its trailing silence) has been handed over, so an idle program
    // keeps no audio stream open and is not woken up by it.
    // Queued: the stream is never stopped from inside its own report.
    QAudioSink* stream = sink.get();
    QObject::connect(
        stream, &QAudioSink::stateChanged, stream,
        [stream](QAudio::State state) {
            if (state == QAudio::IdleState && stream->state() == QAudio::IdleState)
                stream->stop();
        },
        Qt::QueuedConnection);
    sink->start(playing.get());
}

const QtSoundOutput::Cue& QtSoundOutput::cueFor(const QString& path, const QDateTime& modified, qint64 size) {
    Cue& cue = cues[path];
    cue.lastUse = ++useCount;
    if (cue.modified.isValid() && cue.modified == modified && cue.size == size)
        return cue;
    cue.modified = modified;
    cue.size = size;
    cue.format = {};
    cue.samples.clear();
    QFile wave(path);
    if (wave.open(QIODevice::ReadOnly) && !readWave(wave.readAll(), cue.format, cue.samples))
        cue.format = {};

    while (cues.size() > kCachedCues) {
        const auto oldest = std::min_element(cues.begin(), cues.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        cues.erase(oldest);
    }
    return cue;
}
