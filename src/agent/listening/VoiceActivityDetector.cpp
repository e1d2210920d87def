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
// Frames that must lie near the floor found by looking back; also the fewest noise
// frames whose peaks count right after an utterance found by looking back.
constexpr std::size_t kFewestFloorFrames = 10;
// How near: within this of it.
constexpr double kFloorSpreadDb = 3;
// Frames this quiet are digital silence: 16-bit audio's own rounding noise stands
// about 10 dB above.
constexpr double kDigitalSilenceDb = -100;
// More audio before the onset of an utterance found by looking back: speech said
// at once may begin softly, well before the frames loud enough to open it.
constexpr int kLookedBackPrerollFrames = 25;
// Speech found by looking back with fewer frames than these before its onset gets
// as many of the room's noise put before it.
constexpr std::size_t kLookedBackLeadFrames = 25;
// Frames at the floor in a row that show a sound found by looking back to be speech.
constexpr int kFewestGapFrames = 3;

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
    m_lookingBack = true;
    m_lookedBackFloorFrames = 0;
    clearAudio();
}

void VoiceActivityDetector::restart() {
    // Audio held while the noise was still being learned belongs to the old audio.
    if (m_lookingBack)
        reset();
    else
        clearAudio();
}

void VoiceActivityDetector::clearAudio() {
    m_partial.clear();
    m_preroll.clear();
    m_onsetEnergies.clear();
    m_held.clear();
    m_heldAudio.clear();
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
    const double floor = percentileOf(m_recentEnergies, m_settings.floorPercentile, m_sorted);
    // Speech said at once fills the window: its floor is the one found by looking back.
    return m_lookedBackFloorFrames > 0 ? std::min(floor, m_lookedBackFloor) : floor;
}

double VoiceActivityDetector::noisePeaksDb() const {
    return noisePeaksOver(noiseFloorDb());
}

double VoiceActivityDetector::noisePeaksOver(double floor) const {
    // Right after speech found by looking back, what little noise was heard must do.
    const std::size_t fewest =
        m_lookedBackFloorFrames > 0 ? kFewestFloorFrames : kFewestNoiseFrames;
    if (m_noiseEnergies.size() < fewest)
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
    if (m_lookingBack) {
        lookBack(frame, energy, framePower, events);
        return;
    }
    // The noise is judged before this frame counts towards it, so a sudden sound
    // is measured against the quiet that came before it.
    const double floor = m_recentEnergies.empty() ? energy : noiseFloorDb();
    const double noisePeaks = m_recentEnergies.empty() ? energy : noisePeaksOver(floor);
    m_recentEnergies.push_back(energy);
    keepLast(m_recentEnergies, m_settings.floorWindowFrames);
    if (m_lookedBackFloorFrames > 0)
        --m_lookedBackFloorFrames;
    judgeFrame(frame, energy, framePower, {floor, noisePeaks, noisePeaks}, true, events);
}

std::optional<VoiceActivityDetector::Noise>
VoiceActivityDetector::heldNoise(std::deque<double>& noise) const {
    // Digital silence counts as the quietest a room can be: an input that gives
    // exact zeros between words has that floor, while the few zeros a stream may
    // begin with are too few to be trusted as one (see below).
    m_sorted.clear();
    for (const HeldFrame& held : m_held)
        m_sorted.push_back(std::max(held.energy, kDigitalSilenceDb));
    if (m_sorted.size() < kFewestFloorFrames)
        return std::nullopt;
    // The floor is the usual low percentile, but while few frames are held it is
    // the level that the quietest tenth (half of kFewestFloorFrames) stays under,
    // and it counts only when twice as many frames lie within a few dB of it:
    // noise is steady at its floor, the quieter parts of speech are not.
    const auto at = [&](std::size_t fewest) {
        const auto nth =
            m_sorted.begin() +
            std::ptrdiff_t(std::max(double(fewest - 1),
                                    double(m_sorted.size() - 1) * m_settings.floorPercentile));
        std::nth_element(m_sorted.begin(), nth, m_sorted.end());
        return *nth;
    };
    const double floor = at(kFewestFloorFrames / 2);
    if (at(kFewestFloorFrames) - floor > kFloorSpreadDb &&
        int(m_held.size()) < m_settings.floorWindowFrames)
        return std::nullopt;
    // The highest the noise's peaks may stand over its floor: speech said before
    // enough noise has been heard must stand over that.
    const double speech = floor + m_settings.largestNoiseSpreadDb;
    // Inside an utterance speech is measured against the frames that are surely
    // noise: those no louder than speech that opens one.
    noise.clear();
    for (const HeldFrame& held : m_held) {
        if (held.energy < floor + m_settings.onsetMarginDb)
            noise.push_back(std::max(held.energy, kDigitalSilenceDb));
    }
    const double peaks =
        noise.size() < kFewestFloorFrames
            ? floor
            : std::clamp(percentileOf(noise, m_settings.noisePeakPercentile, m_sorted), floor,
                         speech);
    return Noise{floor, peaks, speech};
}

void VoiceActivityDetector::lookBack(std::span<const std::int16_t> frame, double energy,
                                     double framePower, std::vector<VadEvent>& events) {
    m_held.push_back({energy, framePower});
    m_heldAudio.insert(m_heldAudio.end(), frame.begin(), frame.end());
    m_recentEnergies.push_back(energy);
    // The floor's window slides on while a sound that rose is still undecided.
    if (int(m_held.size()) > m_settings.floorWindowFrames) {
        m_held.erase(m_held.begin());
        m_heldAudio.erase(m_heldAudio.begin(), m_heldAudio.begin() + kFrameSamples);
        m_recentEnergies.pop_front();
    }
    std::deque<double> noiseFrames;
    const auto noise = heldNoise(noiseFrames);
    if (!noise)
        return; // too little heard to judge anything yet
    const double floor = noise->floor;

    // Every held frame judged again as if this floor and these peaks had been known
    // from the start; the audio state is rebuilt from them.
    m_noiseEnergies.clear();
    m_onsetEnergies.clear();
    m_preroll.clear();
    m_onsetRun = 0;
    m_onsetLoudFrames = 0;
    std::vector<VadEvent> found;
    std::deque<double> before; // the energies of the frames before the one judged, silence left out
    bool began = false, ended = false;
    std::size_t openedAt = 0, noiseBefore = 0;
    int gap = 0, longestGap = 0; // frames at the floor in a row, after the onset
    m_extraPrerollFrames = kLookedBackPrerollFrames;
    const int lastUtteranceFrames = m_lastUtteranceFrames;
    const double lastSpeechOverNoiseDb = m_lastSpeechOverNoiseDb;
    for (std::size_t i = 0; i < m_held.size(); ++i) {
        const std::span<const std::int16_t> audio(m_heldAudio.data() + i * kFrameSamples,
                                                  kFrameSamples);
        // Once enough noise was heard before it, a frame is judged as it would be
        // with the noise known: against the floor and peaks of the audio before it,
        // the floor no lower than all held shows (a fan switched on is no speech).
        // Before that, speech must stand over the highest peaks noise may have.
        Noise judged = *noise;
        if (m_noiseEnergies.size() >= kFewestNoiseFrames && before.size() >= kFewestFloorFrames) {
            judged.floor =
                std::max(floor, percentileOf(before, m_settings.floorPercentile, m_sorted));
            judged.peaks = judged.onsetPeaks = noisePeaksOver(judged.floor);
        }
        if (m_held[i].energy > kDigitalSilenceDb)
            before.push_back(m_held[i].energy);
        judgeFrame(audio, m_held[i].energy, m_held[i].framePower, judged, false, found);
        if (!began && m_inUtterance) {
            openedAt = i;
            noiseBefore = m_noiseEnergies.size();
        }
        began = began || m_inUtterance;
        ended = ended || (began && !m_inUtterance);
        if (began) {
            gap = m_held[i].energy < floor + m_settings.activeMarginDb ? gap + 1 : 0;
            longestGap = std::max(longestGap, gap);
        }
    }
    m_extraPrerollFrames = 0;
    // Speech falls quiet between its words or at its end; a sound that rose and stays
    // up (a fan switched on) is not taken for speech, unless the noise had been heard
    // long enough before it: the floor follows it instead.
    const bool opened =
        ended || longestGap >= kFewestGapFrames || noiseBefore >= kFewestNoiseFrames;
    if (!opened) {
        const bool undecided = m_inUtterance;
        m_inUtterance = false;
        m_quietRun = 0;
        m_utteranceFrames = 0;
        m_peakDb = -120;
        m_lastUtteranceFrames = lastUtteranceFrames;
        m_lastSpeechOverNoiseDb = lastSpeechOverNoiseDb;
        // Once the window is full and nothing is undecided, the noise is known.
        if (!undecided && int(m_held.size()) >= m_settings.floorWindowFrames) {
            m_lookingBack = false;
            m_held.clear();
            m_heldAudio.clear();
        }
        return;
    }
    // Speech said at once has no noise before it, which the decoders take for the
    // quiet an utterance begins with and the noise suppressor learns from: the
    // quietest stretch of the held audio goes before it.
    std::vector<std::int16_t> lead;
    if (openedAt + 1 < std::size_t(m_settings.onsetFrames) + kLookedBackLeadFrames)
        lead = quietStretch();
    m_lookingBack = false;
    m_held.clear();
    m_heldAudio.clear();
    if (noiseBefore < kFewestNoiseFrames) {
        // Speech said at once: its floor is the one found by looking back, and the
        // noise heard in its gaps and after it counts as heard before it, so that
        // the utterance ends when the speech does in background talk too.
        m_lookedBackFloor = floor;
        m_lookedBackFloorFrames = m_settings.floorWindowFrames;
        if (noiseFrames.size() > m_noiseEnergies.size())
            m_noiseEnergies = std::move(noiseFrames);
    }
    // A pause that speech has since broken is no pause any more: the caller judges
    // the utterance at a pause it still is in.
    for (std::size_t i = 0; i < found.size(); ++i) {
        const bool lastPause =
            std::none_of(found.begin() + std::ptrdiff_t(i) + 1, found.end(),
                         [](const VadEvent& later) { return later.kind != VadEvent::Kind::Audio; });
        if (found[i].kind == VadEvent::Kind::Paused &&
            !(lastPause && m_inUtterance && m_quietRun >= m_settings.pauseFrames))
            continue;
        if (found[i].kind == VadEvent::Kind::Audio)
            appendAudio(found[i].samples, events);
        else
            events.push_back(std::move(found[i]));
        if (events.back().kind == VadEvent::Kind::Started && !lead.empty()) {
            appendAudio(lead, events);
            m_utteranceFrames += int(lead.size()) / kFrameSamples;
            lead.clear();
        }
    }
}

std::vector<std::int16_t> VoiceActivityDetector::quietStretch() const {
    // The quietest few frames in a row (the noise in a pause or after the speech),
    // repeated: a longer stretch could take in the end of a word.
    constexpr std::size_t kWindow = 5;
    if (m_held.size() < kWindow)
        return {};
    std::size_t best = 0;
    double bestSum = 1e300;
    for (std::size_t start = 0; start + kWindow <= m_held.size(); ++start) {
        double sum = 0;
        for (std::size_t i = start; i < start + kWindow; ++i)
            sum += m_held[i].energy;
        if (sum < bestSum) {
            bestSum = sum;
            best = start;
        }
    }
    const auto first = m_heldAudio.begin() + std::ptrdiff_t(best * kFrameSamples);
    std::vector<std::int16_t> lead;
    while (lead.size() < kLookedBackLeadFrames * kFrameSamples)
        lead.insert(lead.end(), first, first + std::ptrdiff_t(kWindow * kFrameSamples));
    return lead;
}

void VoiceActivityDetector::judgeFrame(std::span<const std::int16_t> frame, double energy,
                                       double framePower, const Noise& noise, bool noiseGate,
                                       std::vector<VadEvent>& events) {
    if (!m_inUtterance) {
        m_preroll.insert(m_preroll.end(), frame.begin(), frame.end());
        const std::size_t keep =
            std::size_t(m_settings.prerollFrames + m_settings.onsetFrames + m_extraPrerollFrames) *
            kFrameSamples;
        while (m_preroll.size() > keep)
            m_preroll.pop_front();
        // The run is judged on smoothed frames, which ride out the dips of speech
        // in noise; most of its frames must be loud on their own too, or a click
        // that the smoothing stretches over a few frames would pass.
        const auto isLoud = [&](double db) {
            return db >= m_settings.quietestSpeechDb &&
                   db >= noise.floor + m_settings.onsetMarginDb &&
                   db >= noise.onsetPeaks + m_settings.overNoisePeaksDb;
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
            (noiseGate && m_noiseEnergies.size() < kFewestNoiseFrames))
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
                        energy >= noise.floor + m_settings.activeMarginDb &&
                        energy >= noise.peaks + m_settings.overNoisePeaksDb &&
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
