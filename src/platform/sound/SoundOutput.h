#pragma once

#include <QString>
#include <cstdint>
#include <memory>

namespace tk {

// Plays 16-bit mono audio at one rate through the sound server's default output,
// on the server client's own thread. What is handed over waits in a buffer of
// its own while the connection opens and while the server's buffer is full, so
// a busy owner thread does not make the sound stutter. Each output is one
// connection; it ends at once when destroyed and never waits on the server.
class SoundOutput final {
public:
    // Starts connecting; a failure after that shows in failed(). Null with
    // *error set when even that cannot begin.
    static std::unique_ptr<SoundOutput> open(int sampleRate, QString* error = nullptr);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Takes up to bytes of audio (whole samples) as far as the buffer has room;
    // gives the number of bytes taken.
    qint64 write(const char* data, qint64 bytes);
    // No more audio comes: what was handed over plays out even if it is shorter
    // than the server likes to gather before it starts.
    void finish();
    // Whether playing has ended for good: the stream or the connection failed.
    bool failed() const;
    // Whether it ended because the connection to the server ended.
    bool serverGone() const;
    // Samples handed over so far.
    qint64 writtenFrames() const;
    // Samples heard so far by the output's own clock (what the device has
    // played, less its latency), at most writtenFrames().
    qint64 heardFrames() const;

private:
    struct Stream;
    explicit SoundOutput(std::unique_ptr<Stream> stream);
    std::unique_ptr<Stream> m_stream;
};

} // namespace tk
