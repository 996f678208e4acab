// SPDX-License-Identifier: MIT
#pragma once

#include <QList>

#include <cstdint>
#include <memory>
#include <vector>

// Records what the PulseAudio null sink of tests/desktop.sh plays (its monitor, mixed to one channel of
// 16-bit samples at 44.1 kHz), and reads the recording as loudness, onsets or tones.
class SoundRecorder {
public:
    static constexpr int kRate = 44100;

    SoundRecorder();
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Starts recording and waits until the monitor delivers samples (silence too); false when it does not.
    [[nodiscard]] bool start();
    // The samples recorded so far, without stopping.
    const std::vector<int16_t>& samplesSoFar();
    // Stops, after a short tail for what the sound server still holds, and returns every sample.
    std::vector<int16_t> stopSamples();
    // Stops and returns the loudness per 10 ms window.
    std::vector<double> stop() { return loudness(stopSamples()); }

    // Records until the last `quietMs` were quiet, that is until the sound server has played out every cue
    // asked for so far (a loaded machine can start a cue a second or more after it was asked for); the
    // recording then begins anew from that moment. False when that does not come within `capMs`.
    [[nodiscard]] bool waitUntilQuiet(int quietMs = 300, int capMs = 8000);

    // The loudness (RMS of the samples, 0..32767) per 10 ms window.
    static std::vector<double> loudness(const std::vector<int16_t>& samples);
    // The start times (ms from the first sample) of the stretches louder than `threshold`, at least `gapMs`
    // apart.
    static std::vector<int> onsets(const std::vector<double>& loudness, double threshold = 200,
                                   int gapMs = 80);
    // Per window of `windowMs`, the frequency of the tone in it, found by counting zero crossings between the
    // first and the last loud sample: 0 when nothing is loud, -1 when too little is loud to tell.
    static QList<int> tones(const std::vector<int16_t>& samples, int windowMs = 50);
    // Whether some window holds a tone within a tenth of `frequency`.
    static bool containsTone(const QList<int>& windows, int frequency);
    // Whether no window holds anything loud.
    static bool silent(const QList<int>& windows);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
