// SPDX-License-Identifier: MIT
// Synthesises the three sound cues of Brimvel as 16-bit mono 44.1 kHz PCM wave files.
//
// Usage: synth_sounds <output folder>
//
//   button.wav  a short, soft click for every button press
//   scroll.wav  the tab growing or shrinking: a breathy swoosh that rises and falls
//   min.wav     the tab sliding in or out: a light gliding tone over a whisper of air
//
// Every cue is normalised to the same peak (about -6 dBFS) and starts and ends with a short raised-cosine
// fade, so playback never clicks at the ends. The noise source is seeded, so the files are reproducible.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kPeak = 0.5; // -6 dBFS: headroom for any resampling in the sound server
constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Samples = std::vector<double>;

Samples silence(double seconds) {
    return Samples(static_cast<size_t>(std::lround(seconds * kSampleRate)), 0.0);
}

double timeOf(size_t index) {
    return static_cast<double>(index) / kSampleRate;
}

// Small deterministic white-noise source (xorshift), uniform in [-1, 1].
class Noise {
public:
    explicit Noise(uint32_t seed) : m_state(seed) {}
    double next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<double>(m_state) / 2147483647.5 - 1.0;
    }

private:
    uint32_t m_state;
};

// State-variable band-pass filter whose centre frequency may change per sample.
class BandPass {
public:
    explicit BandPass(double q) : m_damping(1.0 / q) {}
    double process(double input, double centreHz) {
        const double f = 2.0 * std::sin(std::numbers::pi * centreHz / kSampleRate);
        const double high = input - m_low - m_damping * m_band;
        m_band += f * high;
        m_low += f * m_band;
        return m_band;
    }

private:
    double m_damping;
    double m_low = 0.0;
    double m_band = 0.0;
};

void normalise(Samples& samples, double peak) {
    double largest = 0.0;
    for (const double s : samples)
        largest = std::max(largest, std::abs(s));
    if (largest > 0.0)
        for (double& s : samples)
            s *= peak / largest;
}

// Raised-cosine fades at both ends; the first and last samples become exactly zero.
void fadeEnds(Samples& samples, double fadeSeconds) {
    const size_t n = samples.size();
    const size_t fade = std::min(n / 2, static_cast<size_t>(fadeSeconds * kSampleRate));
    for (size_t i = 0; i < fade; ++i) {
        const double gain = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / fade);
        samples[i] *= gain;
        samples[n - 1 - i] *= gain;
    }
}

Samples makeButtonClick() {
    // A damped wooden "tock": two inharmonic partials with fast decay plus a tiny burst of filtered noise
    // for the attack.
    Samples out = silence(0.085);
    Noise noise(0x2545F491u);
    BandPass air(2.5);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        const double body = std::exp(-t / 0.012) *
                            (std::sin(kTwoPi * 1250.0 * t) + 0.45 * std::sin(kTwoPi * 2730.0 * t + 0.7));
        const double thump = 0.6 * std::exp(-t / 0.02) * std::sin(kTwoPi * 420.0 * t);
        const double tick = std::exp(-t / 0.0025) * air.process(noise.next(), 3800.0);
        out[i] = body + thump + 1.5 * tick;
    }
    normalise(out, kPeak);
    fadeEnds(out, 0.0015);
    return out;
}

Samples makeScrollSwoosh() {
    // Band-passed noise whose centre sweeps up and back down while the level swells and fades, with a
    // faint sine following the sweep to give it body.
    const double length = 0.38;
    Samples out = silence(length);
    Noise noise(0x9E3779B9u);
    BandPass first(3.0);
    BandPass second(3.0);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double x = timeOf(i) / length;                // 0..1
        const double arch = std::sin(std::numbers::pi * x); // 0 -> 1 -> 0
        const double centre = 500.0 + 1700.0 * arch * arch;
        const double envelope = std::pow(arch, 1.6);
        const double air = second.process(first.process(noise.next(), centre), centre);
        phase += kTwoPi * (centre * 0.5) / kSampleRate;
        out[i] = envelope * (air + 0.08 * std::sin(phase));
    }
    normalise(out, kPeak * 0.9);
    fadeEnds(out, 0.01);
    return out;
}

Samples makeSlideGlide() {
    // Two soft sine voices gliding upwards a fifth apart over a whisper of band-passed noise.
    const double length = 0.28;
    Samples out = silence(length);
    Noise noise(0x85EBCA6Bu);
    BandPass air(2.0);
    BandPass airAgain(2.0);
    double phaseLow = 0.0;
    double phaseHigh = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = timeOf(i);
        const double x = t / length;
        const double glide = 520.0 * std::pow(1.5, x); // 520 Hz up to 780 Hz
        phaseLow += kTwoPi * glide / kSampleRate;
        phaseHigh += kTwoPi * glide * 1.5 / kSampleRate;
        const double attack = 1.0 - std::exp(-t / 0.018);
        const double decay = std::exp(-t / 0.11);
        const double tone = std::sin(phaseLow) + 0.35 * std::sin(phaseHigh);
        const double airCentre = 1200.0 + 1400.0 * x;
        const double whisper = 0.6 * airAgain.process(air.process(noise.next(), airCentre), airCentre);
        out[i] = attack * decay * (tone + whisper);
    }
    normalise(out, kPeak);
    fadeEnds(out, 0.008);
    return out;
}

void putLittleEndian(std::ofstream& file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        file.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool writeWave(const std::filesystem::path& path, const Samples& samples) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    file.write("RIFF", 4);
    putLittleEndian(file, 36 + dataBytes, 4);
    file.write("WAVE", 4);
    file.write("fmt ", 4);
    putLittleEndian(file, 16, 4);              // fmt chunk size
    putLittleEndian(file, 1, 2);               // PCM
    putLittleEndian(file, 1, 2);               // mono
    putLittleEndian(file, kSampleRate, 4);     // sample rate
    putLittleEndian(file, kSampleRate * 2, 4); // byte rate
    putLittleEndian(file, 2, 2);               // block align
    putLittleEndian(file, 16, 2);              // bits per sample
    file.write("data", 4);
    putLittleEndian(file, dataBytes, 4);
    for (const double s : samples) {
        const long value = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        putLittleEndian(file, static_cast<uint32_t>(static_cast<int16_t>(value)), 2);
    }
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: synth_sounds <output folder>\n");
        return 1;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const struct {
        const char* name;
        Samples samples;
    } cues[] = {
        {"button.wav", makeButtonClick()},
        {"scroll.wav", makeScrollSwoosh()},
        {"min.wav", makeSlideGlide()},
    };
    for (const auto& cue : cues) {
        if (!writeWave(folder / cue.name, cue.samples)) {
            std::fprintf(stderr, "synth_sounds: could not write %s\n", (folder / cue.name).c_str());
            return 1;
        }
    }
    return 0;
}
