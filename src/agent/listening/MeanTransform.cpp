#include "agent/listening/MeanTransform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cmath>
#include <pocketsphinx.h>

namespace tk::agent::listening {

std::optional<MeanTransform> MeanTransform::read(const QString& path,
                                                 const QList<int>& streamLengths, QString* error) {
    const auto fail = [&](const QString& why) -> std::optional<MeanTransform> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1 cannot be read").arg(path));
    // Far larger than any transform of this model; a guard against reading a wrong file.
    const QByteArray text = file.read(1 << 20);
    // The library reads the numbers with no check of their count or of the model's
    // layout, so the whole file is checked here: classes, streams, and per stream
    // its length, the matrix, the offset and the variance scale.
    const QList<QByteArray> tokens = text.simplified().split(' ');
    qsizetype at = 0;
    const auto next = [&](double* value) {
        bool ok = false;
        *value = at < tokens.size() ? tokens.at(at++).toDouble(&ok) : 0.0;
        return ok && std::isfinite(*value);
    };
    double classes = 0, streams = 0;
    if (!next(&classes) || !next(&streams) || classes != 1 ||
        streams != double(streamLengths.size()) || streamLengths.isEmpty())
        return fail(QStringLiteral("%1 does not fit the speech model's feature streams").arg(path));
    for (const int length : streamLengths) {
        double declared = 0;
        if (!next(&declared) || declared != length)
            return fail(
                QStringLiteral("%1 does not fit the speech model's feature streams").arg(path));
        for (int i = 0; i < length * length + 2 * length; ++i) {
            double value = 0;
            if (!next(&value))
                return fail(QStringLiteral("%1 is incomplete or damaged").arg(path));
        }
    }
    if (at != tokens.size())
        return fail(QStringLiteral("%1 has more numbers than the transform").arg(path));
    return MeanTransform(text);
}

QList<int> MeanTransform::streamLengthsOf(const QString& acousticModel) {
    QFile params(QDir(acousticModel).filePath(QStringLiteral("feat.params")));
    if (!params.open(QIODevice::ReadOnly))
        return {};
    QByteArray feature, streams;
    for (const QByteArray& line : params.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() == 2 && parts.first() == "-feat")
            feature = parts.last();
        if (parts.size() == 2 && parts.first() == "-svspec")
            streams = parts.last();
    }
    if (streams.isEmpty())
        return feature == "1s_c_d_dd" ? QList<int>{39} : QList<int>{};
    // "0-12/13-25/26-38": one stream per range of feature dimensions.
    QList<int> lengths;
    for (const QByteArray& range : streams.split('/')) {
        const QList<QByteArray> ends = range.split('-');
        bool firstOk = false, lastOk = false;
        const int first = ends.first().toInt(&firstOk);
        const int last = ends.last().toInt(&lastOk);
        if (ends.size() != 2 || !firstOk || !lastOk || last < first)
            return {};
        lengths.append(last - first + 1);
    }
    return lengths;
}

bool MeanTransform::applyTo(ps_decoder_s* decoder, QString* error) const {
    // The library reads transforms from files only; a resource goes through a
    // private temporary copy.
    QTemporaryFile copy(QDir::temp().filePath(QStringLiteral("tovrinkin-mllr-XXXXXX")));
    if (!copy.open() || copy.write(m_text) != m_text.size() || !copy.flush()) {
        if (error)
            *error = QStringLiteral("no temporary copy of the transform could be written");
        return false;
    }
    ps_mllr_t* mllr = ps_mllr_read(copy.fileName().toLocal8Bit().constData());
    // The decoder takes the transform over.
    if (!mllr || !ps_update_mllr(decoder, mllr)) {
        if (error)
            *error = QStringLiteral("the speech recognizer refused the transform");
        return false;
    }
    return true;
}

} // namespace tk::agent::listening
