#include "agent/listening/VoiceActivityDetector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tk::agent::listening {

namespace {

// A second-order Butterworth high-pass at 300 Hz for 16 kHz audio.
struct HighPass {
    double b0, b1, b2, a1, a2;
};

const HighPass& highPass() {
    static const HighPass filter = [] {
        const double w0 = 2.0 * std::numbers::pi * 300.0 / 16000.0;
        const double alpha = std::sin(w0) / std::numbers::sqrt2;
        const double c = std::cos(w0);
        const double a0 = 1.0 + alpha;
        return HighPass{(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0,
                        (1.0 - alpha) / a0};
    }();
    return filter;
}

double toDb(double power) {
    return 10.0 * std::log10(std::max(power, 1e-12));
}

double percentileOf(const std::deque<double>& values, double p, std::vector<double>& scratch) {
    scratch.assign(values.begin(), values.end());
    const auto nth = scratch.begin() + std::ptrdiff_t(double(scratch.size() - 1) * p);
    std::nth_element(scratch.begin(), nth, scratch.end());
    return *nth;
}

void keepLast(std::deque<double>& values, int count) {
    while (int(values.size()) > count)
        values.pop_front();
}

// Frames outside utterances needed before their spread is trusted.
constexpr std::size_t kFewestNoiseFrames = 30;

} // namespace

VoiceActivityDetector::VoiceActivityDetector(const VadSettings& settings) : m_settings(settings) {}

std::vector<VadEvent> VoiceActivityDetector::push(std::span<const std::int16_t> samples) {
    std::vector<VadEvent> events;
    while (!samples.empty()) {
        if (m_partial.empty() && samples.size() >= std::size_t(kFrameSamples)) {
            pushFrame(samples.first(kFrameSamples), events);
            samples = samples.subspan(kFrameSamples);
            continue;
        }
        const std::size_t take =
            std::min(samples.size(), std::size_t(kFrameSamples) - m_partial.size());
        m_partial.insert(m_partial.end(), samples.begin(), samples.begin() + take);
        samples = samples.subspan(take);
        if (m_partial.size() == std::size_t(kFrameSamples)) {
            const std::vector<std::int16_t> frame = std::move(m_partial);
            m_partial.clear();
            pushFrame(frame, events);
        }
    }
    return events;
}

std::vector<VadEvent> VoiceActivityDetector::finishUtterance() {
    std::vector<VadEvent> events;
    if (m_inUtterance)
        end(events);
    return events;
}

void VoiceActivityDetector::reset() {
    m_recentEnergies.clear();
    m_noiseEnergies.clear();
    restart();
}

void VoiceActivityDetector::restart() {
    m_partial.clear();
    m_preroll.clear();
    m_onsetEnergies.clear();
    m_recentPowers = {};
    m_powerCount = 0;
    m_filterState = {};
    m_inUtterance = false;
    m_onsetRun = 0;
    m_onsetLoudFrames = 0;
    m_quietRun = 0;
    m_utteranceFrames = 0;
    m_peakDb = -120;
}

double VoiceActivityDetector::noiseFloorDb() const {
    if (m_recentEnergies.empty())
        return 0.0;
    return percentileOf(m_recentEnergies, m_settings.floorPercentile, m_sorted);
}

double VoiceActivityDetector::noisePeaksDb() const {
    return noisePeaksOver(noiseFloorDb());
}

double VoiceActivityDetector::noisePeaksOver(double floor) const {
    if (m_noiseEnergies.size() < kFewestNoiseFrames)
        return floor;
    const double peaks = percentileOf(m_noiseEnergies, m_settings.noisePeakPercentile, m_sorted);
    return std::clamp(peaks, floor, floor + m_settings.largestNoiseSpreadDb);
}

double VoiceActivityDetector::highPassedPower(std::span<const std::int16_t> frame) {
    const HighPass& f = highPass();
    auto& [x1, x2, y1, y2] = m_filterState;
    double sum = 0;
    for (const std::int16_t sample : frame) {
        const double x = double(sample) / 32768.0;
        const double y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        sum += y * y;
    }
    // Denormals would slow the filter down to a crawl in digital silence.
    if (std::abs(y1) < 1e-20 && std::abs(y2) < 1e-20)
        y1 = y2 = 0;
    return sum / double(frame.size());
}

void VoiceActivityDetector::pushFrame(std::span<const std::int16_t> frame,
                                      std::vector<VadEvent>& events) {
    // Smoothed over three frames: a 10 ms frame of narrow-band noise swings by
    // several dB, 30 ms far less, and the decision lags by one frame only.
    const double framePower = highPassedPower(frame);
    m_recentPowers[std::size_t(m_powerCount % 3)] = framePower;
    ++m_powerCount;
    double power = 0;
    const int counted = std::min(m_powerCount, 3);
    for (int i = 0; i < counted; ++i)
        power += m_recentPowers[std::size_t(i)];
    const double energy = toDb(power / counted);
    // The noise is judged before this frame counts towards it, so a sudden sound
    // is measured against the quiet that came before it.
    const double floor = m_recentEnergies.empty() ? energy : noiseFloorDb();
    const double noisePeaks = m_recentEnergies.empty() ? energy : noisePeaksOver(floor);
    m_recentEnergies.push_back(energy);
    keepLast(m_recentEnergies, m_settings.floorWindowFrames);

    if (!m_inUtterance) {
        m_preroll.insert(m_preroll.end(), frame.begin(), frame.end());
        const std::size_t keep =
            std::size_t(m_settings.prerollFrames + m_settings.onsetFrames) * kFrameSamples;
        while (m_preroll.size() > keep)
            m_preroll.pop_front();
        // The run is judged on smoothed frames, which ride out the dips of speech
        // in noise; most of its frames must be loud on their own too, or a click
        // that the smoothing stretches over a few frames would pass.
        const auto isLoud = [&](double db) {
            return db >= m_settings.quietestSpeechDb && db >= floor + m_settings.onsetMarginDb &&
                   db >= noisePeaks + m_settings.overNoisePeaksDb;
        };
        const bool loud = isLoud(energy);
        m_onsetRun = loud ? m_onsetRun + 1 : 0;
        m_onsetLoudFrames = loud ? m_onsetLoudFrames + (isLoud(toDb(framePower)) ? 1 : 0) : 0;
        m_peakDb = loud ? std::max(m_peakDb, energy) : -120;
        // A frame is known to be noise once it is not part of an onset.
        m_onsetEnergies.push_back(energy);
        if (!loud) {
            m_noiseEnergies.insert(m_noiseEnergies.end(), m_onsetEnergies.begin(),
                                   m_onsetEnergies.end());
            m_onsetEnergies.clear();
            keepLast(m_noiseEnergies, m_settings.noiseWindowFrames);
        }
        // Nothing opens before the noise has been heard for a while: measured
        // against a few frames, a noise that swells would pass for speech.
        if (m_onsetRun < m_settings.onsetFrames || m_onsetLoudFrames < m_settings.onsetFrames - 1 ||
            m_noiseEnergies.size() < kFewestNoiseFrames)
            return;
        m_onsetEnergies.clear();
        m_inUtterance = true;
        m_quietRun = 0;
        m_utteranceFrames = int(m_preroll.size()) / kFrameSamples;
        events.push_back({VadEvent::Kind::Started, {}});
        appendAudio(std::vector<std::int16_t>(m_preroll.begin(), m_preroll.end()), events);
        m_preroll.clear();
        m_onsetRun = 0;
        m_onsetLoudFrames = 0;
        return;
    }

    appendAudio(frame, events);
    ++m_utteranceFrames;
    m_peakDb = std::max(m_peakDb, energy);
    const bool active = energy >= m_settings.quietestSpeechDb &&
                        energy >= floor + m_settings.activeMarginDb &&
                        energy >= noisePeaks + m_settings.overNoisePeaksDb &&
                        energy >= m_peakDb - m_settings.belowPeakDb;
    m_quietRun = active ? 0 : m_quietRun + 1;
    if (m_quietRun == m_settings.pauseFrames && m_settings.pauseFrames < m_settings.hangoverFrames)
        events.push_back({VadEvent::Kind::Paused, {}});
    if (m_quietRun >= m_settings.hangoverFrames ||
        m_utteranceFrames >= m_settings.maxUtteranceFrames)
        end(events);
}

void VoiceActivityDetector::appendAudio(std::span<const std::int16_t> samples,
                                        std::vector<VadEvent>& events) {
    if (!events.empty() && events.back().kind == VadEvent::Kind::Audio) {
        auto& audio = events.back().samples;
        audio.insert(audio.end(), samples.begin(), samples.end());
    } else {
        events.push_back({VadEvent::Kind::Audio, {samples.begin(), samples.end()}});
    }
}

void VoiceActivityDetector::end(std::vector<VadEvent>& events) {
    m_inUtterance = false;
    m_lastUtteranceFrames = m_utteranceFrames;
    m_lastSpeechOverNoiseDb = m_peakDb - noiseFloorDb();
    m_onsetRun = 0;
    m_onsetLoudFrames = 0;
    m_utteranceFrames = 0;
    m_peakDb = -120;
    events.push_back({VadEvent::Kind::Ended, {}});
}

} // namespace tk::agent::listening
