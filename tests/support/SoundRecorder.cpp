// SPDX-License-Identifier: MIT
#include "SoundRecorder.h"
#include "TestDesktop.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

struct SoundRecorder::Impl {
    QProcess parec;
    QByteArray pending; // an odd byte left from the last read
    std::vector<int16_t> samples;

    void read() {
        pending += parec.readAllStandardOutput();
        const qsizetype whole = pending.size() / 2;
        if (whole == 0)
            return;
        const size_t before = samples.size();
        samples.resize(before + static_cast<size_t>(whole));
        std::memcpy(samples.data() + before, pending.constData(), static_cast<size_t>(whole) * 2);
        pending.remove(0, whole * 2);
    }
};

SoundRecorder::SoundRecorder() : impl_(std::make_unique<Impl>()) {}

SoundRecorder::~SoundRecorder() {
    if (impl_->parec.state() != QProcess::NotRunning) {
        impl_->parec.kill();
        impl_->parec.waitForFinished(2000);
    }
}

bool SoundRecorder::start() {
    const QString sink = qEnvironmentVariable("BRIMVEL_SINK");
    if (sink.isEmpty()) {
        qWarning("BRIMVEL_SINK is not set: run under tests/desktop.sh");
        return false;
    }
    impl_->parec.start(QStringLiteral("parec"),
                       {QStringLiteral("--device=") + sink + QStringLiteral(".monitor"),
                        QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                        QStringLiteral("--latency-msec=10")});
    if (!impl_->parec.waitForStarted(3000))
        return false;
    // The monitor delivers samples (silence too) once the stream is connected: wait for the first 50 ms. What
    // came before the stream was connected is not part of the recording.
    const bool delivering = waitUntil(
        [this] {
            impl_->read();
            return impl_->samples.size() > kRate / 20;
        },
        5000);
    if (!delivering)
        qWarning("parec delivered nothing: %s", impl_->parec.readAllStandardError().constData());
    impl_->samples.clear();
    return delivering;
}

const std::vector<int16_t>& SoundRecorder::samplesSoFar() {
    impl_->read();
    return impl_->samples;
}

std::vector<int16_t> SoundRecorder::stopSamples() {
    // The recorder hands over what it heard in blocks of its latency: 200 ms brings in the last of it.
    settle(200);
    impl_->read();
    impl_->parec.terminate();
    impl_->parec.waitForFinished(2000);
    impl_->read();
    return std::move(impl_->samples);
}

bool SoundRecorder::waitUntilQuiet(int quietMs, int capMs) {
    const size_t quietSamples = static_cast<size_t>(kRate) * static_cast<size_t>(quietMs) / 1000;
    const bool quiet = waitUntil(
        [&] {
            const std::vector<int16_t>& samples = samplesSoFar();
            if (samples.size() < quietSamples)
                return false;
            const std::vector<int16_t> last(samples.end() - static_cast<long>(quietSamples), samples.end());
            return onsets(loudness(last)).empty();
        },
        capMs);
    impl_->samples.clear();
    return quiet;
}

std::vector<double> SoundRecorder::loudness(const std::vector<int16_t>& samples) {
    constexpr size_t window = kRate / 100; // 10 ms
    std::vector<double> result;
    for (size_t start = 0; start + window <= samples.size(); start += window) {
        double sum = 0;
        for (size_t i = start; i < start + window; ++i)
            sum += double(samples[i]) * samples[i];
        result.push_back(std::sqrt(sum / window));
    }
    return result;
}

std::vector<int> SoundRecorder::onsets(const std::vector<double>& loudness, double threshold, int gapMs) {
    std::vector<int> result;
    int lastLoud = -100000;
    for (size_t i = 0; i < loudness.size(); ++i) {
        if (loudness[i] < threshold)
            continue;
        const int ms = static_cast<int>(i) * 10;
        if (ms - lastLoud > gapMs)
            result.push_back(ms);
        lastLoud = ms;
    }
    return result;
}

QList<int> SoundRecorder::tones(const std::vector<int16_t>& samples, int windowMs) {
    const size_t perWindow = static_cast<size_t>(kRate) * static_cast<size_t>(windowMs) / 1000;
    QList<int> frequencies;
    for (size_t start = 0; start + perWindow <= samples.size(); start += perWindow) {
        long first = -1;
        long last = -1;
        for (size_t i = start; i < start + perWindow; ++i) {
            if (std::abs(samples[i]) > 1000) {
                first = first < 0 ? long(i) : first;
                last = long(i);
            }
        }
        if (first < 0) {
            frequencies << 0;
            continue;
        }
        int crossings = 0;
        for (long i = first + 1; i <= last; ++i) {
            if ((samples[size_t(i)] >= 0) != (samples[size_t(i - 1)] >= 0))
                ++crossings;
        }
        const long span = last - first;
        frequencies << (span < kRate / 100 ? -1 : static_cast<int>(crossings * long(kRate) / (2 * span)));
    }
    return frequencies;
}

bool SoundRecorder::containsTone(const QList<int>& windows, int frequency) {
    return std::any_of(windows.begin(), windows.end(),
                       [frequency](int found) { return std::abs(found - frequency) <= frequency / 10; });
}

bool SoundRecorder::silent(const QList<int>& windows) {
    return std::all_of(windows.begin(), windows.end(), [](int found) { return found == 0; });
}
