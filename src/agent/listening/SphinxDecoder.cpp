#include "agent/listening/SphinxDecoder.h"

#include "agent/listening/ListeningLog.h"
#include "agent/listening/MeanTransform.h"

#include <mutex>
#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <vector>

namespace tk::agent::listening {

namespace {

constexpr const char* kGrammarSearch = "commands";
constexpr const char* kPhoneSearch = "phones";

void silenceLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { err_set_logfp(nullptr); });
}

bool isSilenceOrNoise(const char* word) {
    // Fillers of the model: <s> </s> <sil> [NOISE] [SPEECH]; in the phone loop
    // SIL +NSN+ +SPN+.
    return word == nullptr || word[0] == '<' || word[0] == '[' || word[0] == '+' ||
           qstrcmp(word, "SIL") == 0 || qstrcmp(word, "(NULL)") == 0;
}

} // namespace

std::unique_ptr<SphinxDecoder> SphinxDecoder::create(const SpeechModelFiles& model, Search search,
                                                     QString* error) {
    silenceLibraryLog();
    const QByteArray hmm = model.acousticModel.toLocal8Bit();
    std::vector<const char*> arguments{"decoder", "-hmm", hmm.constData(), "-logfn", "/dev/null",
                                       // Our own detector cuts utterances; the decoder
                                       // must see every frame it is given.
                                       "-remove_silence", "no",
                                       // The caller dithers the audio: the library's own
                                       // dither draws from one process-wide generator,
                                       // which decoders on two threads would share.
                                       "-dither", "no"};
    if (search == Search::PhoneLoop)
        arguments.insert(arguments.end(), {"-allphone_ci", "yes"});
    cmd_ln_t* config = cmd_ln_parse_r(nullptr, ps_args(), int(arguments.size()),
                                      const_cast<char**>(arguments.data()), FALSE);
    if (!config) {
        if (error)
            *error = QStringLiteral("the speech recognizer rejected its settings");
        return nullptr;
    }
    ps_decoder_t* decoder = ps_init(config);
    cmd_ln_free_r(config);
    if (!decoder) {
        if (error)
            *error = QStringLiteral("the speech model in %1 could not be loaded")
                         .arg(model.acousticModel);
        return nullptr;
    }
    if (search == Search::PhoneLoop && (ps_set_allphone(decoder, kPhoneSearch, nullptr) != 0 ||
                                        ps_set_search(decoder, kPhoneSearch) != 0)) {
        ps_free(decoder);
        if (error)
            *error = QStringLiteral("the phone loop of the speech model could not be set up");
        return nullptr;
    }
    auto created = std::unique_ptr<SphinxDecoder>(new SphinxDecoder(decoder, search));
    created->m_adapted = adapt(decoder, model);
    return created;
}

bool SphinxDecoder::adapt(ps_decoder_s* decoder, const SpeechModelFiles& model) {
    if (model.adaptation.isEmpty())
        return false;
    // A transform that cannot be used is left out: the model recognizes without it.
    QString why;
    const auto transform = MeanTransform::read(
        model.adaptation, MeanTransform::streamLengthsOf(model.acousticModel), &why);
    if (!transform || !transform->applyTo(decoder, &why)) {
        qCWarning(lcListening).noquote()
            << "Listening with the speech model as installed, without its adaptation:" << why;
        return false;
    }
    return true;
}

SphinxDecoder::SphinxDecoder(ps_decoder_s* decoder, Search search)
    : m_decoder(decoder), m_search(search) {}

SphinxDecoder::~SphinxDecoder() {
    ps_free(m_decoder);
}

bool SphinxDecoder::hasWord(const QString& word) const {
    char* phones = ps_lookup_word(m_decoder, word.toUtf8().constData());
    const bool known = phones != nullptr;
    ckd_free(phones);
    return known;
}

bool SphinxDecoder::addWord(const QString& word, const QString& phones) {
    return ps_add_word(m_decoder, word.toUtf8().constData(), phones.toLatin1().constData(),
                       FALSE) >= 0;
}

bool SphinxDecoder::setGrammar(const QByteArray& jsgf) {
    if (m_search != Search::Grammar)
        return false;
    // Replacing a search frees the old one; selecting it again afterwards keeps the
    // decoder from pointing at the freed search.
    const bool ok = ps_set_jsgf_string(m_decoder, kGrammarSearch, jsgf.constData()) == 0 &&
                    ps_set_search(m_decoder, kGrammarSearch) == 0;
    m_hasGrammar = m_hasGrammar || ok;
    if (!ok && m_hasGrammar)
        ps_set_search(m_decoder, kGrammarSearch);
    return ok;
}

DecodeResult SphinxDecoder::decode(std::span<const std::int16_t> utterance) {
    DecodeResult result;
    if (!hasGrammar() || utterance.empty() || ps_start_utt(m_decoder) != 0)
        return result;
    ps_process_raw(m_decoder, utterance.data(), utterance.size(), FALSE, TRUE);
    ps_end_utt(m_decoder);
    result.frames = ps_get_n_frames(m_decoder);
    std::int32_t pathScore = 0;
    const char* hypothesis = ps_get_hyp(m_decoder, &pathScore);
    if (!hypothesis)
        return result;
    result.hypothesis = QString::fromUtf8(hypothesis);
    for (ps_seg_t* segment = ps_seg_iter(m_decoder); segment; segment = ps_seg_next(segment)) {
        int first = 0;
        int last = 0;
        ps_seg_frames(segment, &first, &last);
        std::int32_t acoustic = 0, language = 0, backoff = 0;
        ps_seg_prob(segment, &acoustic, &language, &backoff);
        result.acousticScore += acoustic;
        if (!isSilenceOrNoise(ps_seg_word(segment)))
            result.speechFrames += last - first + 1;
    }
    return result;
}

} // namespace tk::agent::listening
