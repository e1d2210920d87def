#pragma once

namespace tk::SoundServerProbe {

// Whether the system's sound server (PulseAudio, or PipeWire through its
// PulseAudio service) accepts a client now, asked the way the program connects:
// the same server address, the same start-on-demand rules. Gives up after
// timeoutMs. Takes well under a millisecond when there is no server and a few
// milliseconds when there is one.
bool answers(int timeoutMs);

} // namespace tk::SoundServerProbe
