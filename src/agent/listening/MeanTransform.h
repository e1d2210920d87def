#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct ps_decoder_s;

namespace tk::agent::listening {

// A linear transform of an acoustic model's Gaussian means (MLLR: one class, one
// matrix and offset per feature stream), as the training tools write it in text.
// It moves the model toward the voices and rooms it was estimated on.
class MeanTransform {
public:
    // The transform in path (a file or a resource) if it is well formed and has one
    // class whose streams have the lengths streamLengths; nullopt with a reason in
    // error otherwise.
    static std::optional<MeanTransform> read(const QString& path, const QList<int>& streamLengths,
                                             QString* error);
    // The lengths of the feature streams an acoustic model directory declares in its
    // feat.params (-svspec, or the whole 1s_c_d_dd vector of 39); empty when unknown.
    static QList<int> streamLengthsOf(const QString& acousticModel);

    // Transforms decoder's means; false with a reason in error when the library
    // refuses the transform (the decoder is then left as it was).
    bool applyTo(ps_decoder_s* decoder, QString* error) const;

private:
    explicit MeanTransform(QByteArray text) : m_text(std::move(text)) {}
    QByteArray m_text;
};

} // namespace tk::agent::listening
