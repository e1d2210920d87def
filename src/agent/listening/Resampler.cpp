#include "agent/listening/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tk::agent::listening {

namespace {

constexpr int kTableResolution = 256; // kernel points per input sample
constexpr int kZeroCrossings = 12;    // sinc lobes on each side, at the pass band's scale

} // namespace

Resampler::Resampler(int inputRate, int outputRate)
    : m_inputRate(std::max(inputRate, 1)), m_outputRate(std::max(outputRate, 1)) {
    m_step = double(m_inputRate) / double(m_outputRate);
    m_cutoff = m_outputRate < m_inputRate ? 0.92 * double(m_outputRate) / double(m_inputRate) : 1.0;
    m_halfWidth = int(std::ceil(kZeroCrossings / m_cutoff));
    m_table.resize(std::size_t(m_halfWidth * kTableResolution + 2));
    for (std::size_t i = 0; i < m_table.size(); ++i) {
        const double x = double(i) / kTableResolution; // distance in input samples
        const double t = std::numbers::pi * x * m_cutoff;
        const double sinc = x == 0.0 ? 1.0 : std::sin(t) / t;
        // Blackman window over the kernel's half length.
        const double w = std::min(x / m_halfWidth, 1.0);
        const double window =
            0.42 + 0.5 * std::cos(std::numbers::pi * w) + 0.08 * std::cos(2 * std::numbers::pi * w);
        m_table[i] = float(m_cutoff * sinc * window);
    }
    // Start as if silence came before the first sample.
    m_history.assign(std::size_t(m_halfWidth), 0.0f);
    m_position = m_halfWidth;
}

float Resampler::kernel(double distance) const {
    const double at = std::abs(distance) * kTableResolution;
    const std::size_t index = std::size_t(at);
    if (index + 1 >= m_table.size())
        return 0.0f;
    const float fraction = float(at - double(index));
    return m_table[index] + (m_table[index + 1] - m_table[index]) * fraction;
}

void Resampler::process(std::span<const float> input, std::vector<float>& out) {
    if (m_inputRate == m_outputRate) {
        out.insert(out.end(), input.begin(), input.end());
        return;
    }
    m_history.insert(m_history.end(), input.begin(), input.end());
    const double lastUsable = double(m_history.size()) - m_halfWidth - 1;
    while (m_position <= lastUsable) {
        const int centre = int(std::floor(m_position));
        double sum = 0;
        for (int k = centre - m_halfWidth + 1; k <= centre + m_halfWidth; ++k)
            sum += m_history[std::size_t(k)] * kernel(m_position - k);
        out.push_back(float(sum));
        m_position += m_step;
    }
    // Keep what the next output points still reach back to.
    const int drop = std::max(0, int(std::floor(m_position)) - m_halfWidth);
    m_history.erase(m_history.begin(), m_history.begin() + drop);
    m_position -= drop;
}

} // namespace tk::agent::listening
