#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace tk::agent::listening {

// Streaming sample-rate conversion of mono float audio by band-limited (windowed
// sinc) interpolation. Going down, the pass band ends a little below the new
// Nyquist frequency, so nothing above it folds back into the speech band.
class Resampler {
public:
    Resampler(int inputRate, int outputRate);

    // Converts the next stretch of input; output is appended to out. Output lags the
    // input by the filter's half length.
    void process(std::span<const float> input, std::vector<float>& out);

    int inputRate() const { return m_inputRate; }
    int outputRate() const { return m_outputRate; }

private:
    float kernel(double distance) const;

    int m_inputRate;
    int m_outputRate;
    double m_step;                // input samples per output sample
    double m_cutoff;              // pass band end as a fraction of the input Nyquist frequency
    int m_halfWidth;              // input samples on each side of the output point
    std::vector<float> m_table;   // kernel values at kTableResolution points per input sample
    std::vector<float> m_history; // input not yet fully used
    double m_position = 0;        // next output point, in input samples from m_history's start
};

} // namespace tk::agent::listening
