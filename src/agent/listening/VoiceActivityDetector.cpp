#include "agent/listening/VoiceActivityDetector.h"

#include <algorithm>
#include <cmath>

namespace tk::agent::listening {

namespace {

double frameEnergyDb(std::span<const std::int16_t> frame) {
    double sum = 0;
    for (const std::int16_t sample : frame)
        sum += double(sample) * double(sample);
    const double meanSquare = sum / double(frame.size()) / (32768.0 * 32768.0);
    return 10.0 * std::log10(std::max(meanSquare, 1e-12));
}

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
    m_partial.clear();
    m_preroll.clear();
    m_recentEnergies.clear();
    m_inUtterance = false;
    m_onsetRun = 0;
    m_quietRun = 0;
    m_utteranceFrames = 0;
}

double VoiceActivityDetector::noiseFloorDb() const {
    if (m_recentEnergies.empty())
        return 0.0;
    return *std::min_element(m_recentEnergies.begin(), m_recentEnergies.end());
}

void VoiceActivityDetector::pushFrame(std::span<const std::int16_t> frame,
                                      std::vector<VadEvent>& events) {
    const double energy = frameEnergyDb(frame);
    // The floor is judged before this frame counts towards it, so a sudden sound
    // is measured against the quiet that came before it.
    const double floor = m_recentEnergies.empty() ? energy : noiseFloorDb();
    m_recentEnergies.push_back(energy);
    if (int(m_recentEnergies.size()) > m_settings.floorWindowFrames)
        m_recentEnergies.pop_front();

    if (!m_inUtterance) {
        m_preroll.insert(m_preroll.end(), frame.begin(), frame.end());
        const std::size_t keep =
            std::size_t(m_settings.prerollFrames + m_settings.onsetFrames) * kFrameSamples;
        while (m_preroll.size() > keep)
            m_preroll.pop_front();
        const bool loud =
            energy >= m_settings.quietestSpeechDb && energy >= floor + m_settings.onsetMarginDb;
        m_onsetRun = loud ? m_onsetRun + 1 : 0;
        if (m_onsetRun < m_settings.onsetFrames)
            return;
        m_inUtterance = true;
        m_quietRun = 0;
        m_utteranceFrames = int(m_preroll.size()) / kFrameSamples;
        events.push_back({VadEvent::Kind::Started, {}});
        appendAudio(std::vector<std::int16_t>(m_preroll.begin(), m_preroll.end()), events);
        m_preroll.clear();
        m_onsetRun = 0;
        return;
    }

    appendAudio(frame, events);
    ++m_utteranceFrames;
    const bool active =
        energy >= m_settings.quietestSpeechDb && energy >= floor + m_settings.activeMarginDb;
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
    m_onsetRun = 0;
    m_utteranceFrames = 0;
    events.push_back({VadEvent::Kind::Ended, {}});
}

} // namespace tk::agent::listening
