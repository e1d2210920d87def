#pragma once

#include "agent/listening/SpeechModelFiles.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>

struct ps_decoder_s;

namespace tk::agent::listening {

// What one utterance decoded to.
struct DecodeResult {
    QString hypothesis; // the decoded words (grammar) or phones (phone loop); "" for none
    std::int64_t acousticScore = 0; // log acoustic likelihood of the best path
    int frames = 0;                 // 10 ms frames decoded
    int speechFrames = 0;           // frames the best path gave to words or phones, not to
                                    // silence or noise
};

// One pocketsphinx decoder over the en-us acoustic model (adapted by the model's
// transform when it has one), searching either a grammar of words or a free loop
// of context-independent phones. Not thread-safe:
// use it from one thread at a time; two decoders may decode on two threads at once.
// It does not dither: digital silence (a muted or virtual microphone) gives
// degenerate features unless the caller dithers the audio it decodes.
class SphinxDecoder {
public:
    enum class Search { Grammar, PhoneLoop };

    // A decoder for search; null with a reason in error when the model cannot be loaded.
    static std::unique_ptr<SphinxDecoder> create(const SpeechModelFiles& model, Search search,
                                                 QString* error);
    ~SphinxDecoder();
    SphinxDecoder(const SphinxDecoder&) = delete;
    SphinxDecoder& operator=(const SphinxDecoder&) = delete;

    // Whether the model's adaptation (SpeechModelFiles::adaptation) was applied.
    bool adapted() const { return m_adapted; }

    // Whether the dictionary knows word (its first pronunciation).
    bool hasWord(const QString& word) const;
    // Adds word with phones ("T AA V R IH N"); "word(2)" adds another pronunciation.
    bool addWord(const QString& word, const QString& phones);
    // Makes jsgf the grammar searched from the next utterance on; every word must be
    // in the dictionary. Only between utterances.
    bool setGrammar(const QByteArray& jsgf);
    bool hasGrammar() const { return m_search == Search::PhoneLoop || m_hasGrammar; }

    // Decodes utterance as one whole: the features are normalized over all of it
    // (as the model was trained), not by a running estimate that a short utterance
    // leaves poorly settled. An empty result when no grammar is set.
    DecodeResult decode(std::span<const std::int16_t> utterance);

private:
    SphinxDecoder(ps_decoder_s* decoder, Search search);
    // Applies model's adaptation to decoder; false (logged) when there is none or
    // it cannot be used.
    static bool adapt(ps_decoder_s* decoder, const SpeechModelFiles& model);
    ps_decoder_s* m_decoder;
    Search m_search;
    bool m_hasGrammar = false;
    bool m_adapted = false;
};

} // namespace tk::agent::listening
