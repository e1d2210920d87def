#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tk::agent::listening {

// How hard the noise suppressor works.
struct NoiseSuppressorSettings {
    // The least gain of a frequency bin, in dB: deeper cuts leave "musical" noise
    // (isolated bins that flicker on and off), which a recognizer hears as speech.
    double floorDb = -18.0;
    // How much of the previous frame's clean estimate the a-priori signal-to-noise
    // ratio keeps (the decision-directed estimate): higher is smoother.
    double smoothing = 0.98;
};

// Reduces steady background noise in 16 kHz mono audio with a Wiener-style gain
// per frequency bin: the noise's spectrum is learned from audio without speech
// (heard before the utterance), each 32 ms frame (half-overlapping) is weighed
// against it, and bins that hold mostly noise are turned down, never below a
// floor. Speech well above the noise passes almost untouched. It cannot follow
// noise that changes faster than it can be learned, such as background talk.
// Deterministic: the same noise and audio give the same output.
class NoiseSuppressor {
public:
    static constexpr int kWindow = 512;
    static constexpr int kHop = kWindow / 2;

    explicit NoiseSuppressor(const NoiseSuppressorSettings& settings = {});

    // Learns the noise from noise (audio without speech, at least one window long);
    // forgets it when noise is shorter.
    void learnNoise(std::span<const std::int16_t> noise);
    bool hasNoise() const { return !m_noisePower.empty(); }
    // Audio with the learned noise reduced, as long as audio; audio itself when no
    // noise has been learned.
    std::vector<std::int16_t> apply(std::span<const std::int16_t> audio) const;

private:
    NoiseSuppressorSettings m_settings;
    std::vector<double> m_noisePower; // mean power per bin (0 .. kWindow / 2)
};

} // namespace tk::agent::listening
