#include "agent/listening/NoiseSuppressor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace tk::agent::listening {

namespace {

using Complex = std::complex<double>;
constexpr int kBins = NoiseSuppressor::kWindow / 2 + 1;
// The noise power a bin never falls under (full scale 1): digital silence would
// otherwise divide by zero.
constexpr double kLeastNoisePower = 1e-14;

// The tables of a radix-2 transform of kWindow points, made once.
struct FftTables {
    std::array<Complex, NoiseSuppressor::kWindow / 2> twiddles;
    std::array<int, NoiseSuppressor::kWindow> reversed;
    std::array<double, NoiseSuppressor::kWindow> window; // square root of a periodic Hann
};

const FftTables& tables() {
    static const FftTables made = [] {
        constexpr int n = NoiseSuppressor::kWindow;
        FftTables t{};
        for (int i = 0; i < n / 2; ++i)
            t.twiddles[std::size_t(i)] = std::polar(1.0, -2.0 * std::numbers::pi * i / n);
        int bits = 0;
        while ((1 << bits) < n)
            ++bits;
        for (int i = 0; i < n; ++i) {
            int r = 0;
            for (int b = 0; b < bits; ++b)
                r |= ((i >> b) & 1) << (bits - 1 - b);
            t.reversed[std::size_t(i)] = r;
        }
        // Analysis and synthesis both use it: the squares of half-overlapping
        // windows add up to one, so untouched audio comes back unchanged.
        for (int i = 0; i < n; ++i)
            t.window[std::size_t(i)] =
                std::sqrt(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n));
        return t;
    }();
    return made;
}

// In-place transform of kWindow points; inverse without the 1/n scale.
void fft(std::array<Complex, NoiseSuppressor::kWindow>& x, bool inverse) {
    const FftTables& t = tables();
    constexpr int n = NoiseSuppressor::kWindow;
    for (int i = 0; i < n; ++i) {
        const int r = t.reversed[std::size_t(i)];
        if (i < r)
            std::swap(x[std::size_t(i)], x[std::size_t(r)]);
    }
    for (int length = 2; length <= n; length *= 2) {
        const int stride = n / length;
        for (int start = 0; start < n; start += length) {
            for (int k = 0; k < length / 2; ++k) {
                Complex w = t.twiddles[std::size_t(k * stride)];
                if (inverse)
                    w = std::conj(w);
                Complex& a = x[std::size_t(start + k)];
                Complex& b = x[std::size_t(start + k + length / 2)];
                const Complex product = b * w;
                b = a - product;
                a += product;
            }
        }
    }
}

// The windowed frame of audio that starts at start (samples outside audio are 0).
void windowedFrame(std::span<const std::int16_t> audio, std::ptrdiff_t start,
                   std::array<Complex, NoiseSuppressor::kWindow>& frame) {
    const FftTables& t = tables();
    for (int i = 0; i < NoiseSuppressor::kWindow; ++i) {
        const std::ptrdiff_t at = start + i;
        const double sample = at >= 0 && at < std::ptrdiff_t(audio.size())
                                  ? double(audio[std::size_t(at)]) / 32768.0
                                  : 0.0;
        frame[std::size_t(i)] = sample * t.window[std::size_t(i)];
    }
    fft(frame, false);
}

} // namespace

NoiseSuppressor::NoiseSuppressor(const NoiseSuppressorSettings& settings) : m_settings(settings) {}

void NoiseSuppressor::learnNoise(std::span<const std::int16_t> noise) {
    m_noisePower.clear();
    if (noise.size() < std::size_t(kWindow))
        return;
    std::vector<double> sum(kBins, 0.0);
    std::array<Complex, kWindow> frame;
    int frames = 0;
    for (std::size_t start = 0; start + kWindow <= noise.size(); start += kHop, ++frames) {
        windowedFrame(noise, std::ptrdiff_t(start), frame);
        for (int k = 0; k < kBins; ++k)
            sum[std::size_t(k)] += std::norm(frame[std::size_t(k)]);
    }
    // Neighbouring bins are averaged too: a few frames alone leave each bin's
    // estimate rough, and a rough estimate leaves musical noise.
    m_noisePower.assign(kBins, 0.0);
    for (int k = 0; k < kBins; ++k) {
        const int lo = std::max(0, k - 1);
        const int hi = std::min(kBins - 1, k + 1);
        double total = 0;
        for (int j = lo; j <= hi; ++j)
            total += sum[std::size_t(j)];
        m_noisePower[std::size_t(k)] =
            std::max(total / double(frames * (hi - lo + 1)), kLeastNoisePower);
    }
}

std::vector<std::int16_t> NoiseSuppressor::apply(std::span<const std::int16_t> audio) const {
    if (!hasNoise() || audio.empty())
        return {audio.begin(), audio.end()};
    const FftTables& t = tables();
    const double floorGain = std::pow(10.0, m_settings.floorDb / 20.0);
    const double alpha = m_settings.smoothing;
    std::vector<double> lastCleanPower(kBins, 0.0); // |G Y|^2 of the previous frame
    std::vector<double> out(audio.size() + kWindow, 0.0);
    std::array<Complex, kWindow> frame;
    bool first = true;
    // Frames start one hop before the audio, so every sample lies in two of them.
    for (std::ptrdiff_t start = -kHop; start < std::ptrdiff_t(audio.size()); start += kHop) {
        windowedFrame(audio, start, frame);
        for (int k = 0; k < kBins; ++k) {
            const double power = std::norm(frame[std::size_t(k)]);
            const double n = m_noisePower[std::size_t(k)];
            const double posterior = power / n;
            const double prior = first ? std::max(posterior - 1.0, 0.0)
                                       : alpha * lastCleanPower[std::size_t(k)] / n +
                                             (1.0 - alpha) * std::max(posterior - 1.0, 0.0);
            const double gain = std::max(prior / (1.0 + prior), floorGain);
            lastCleanPower[std::size_t(k)] = gain * gain * power;
            frame[std::size_t(k)] *= gain;
            if (k > 0 && k < kWindow / 2)
                frame[std::size_t(kWindow - k)] = std::conj(frame[std::size_t(k)]);
        }
        first = false;
        fft(frame, true);
        for (int i = 0; i < kWindow; ++i) {
            const std::ptrdiff_t at = start + i;
            if (at >= 0)
                out[std::size_t(at)] +=
                    frame[std::size_t(i)].real() / kWindow * t.window[std::size_t(i)];
        }
    }
    std::vector<std::int16_t> cleaned(audio.size());
    for (std::size_t i = 0; i < audio.size(); ++i)
        cleaned[i] = std::int16_t(std::clamp(std::lround(out[i] * 32768.0), -32768L, 32767L));
    return cleaned;
}

} // namespace tk::agent::listening
