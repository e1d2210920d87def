// acs-pack: assembles a character file from its sources, a manifest and the
// SVG pictures it names, and checks the result the way the runtime will.
//
//   acs-pack <manifest.json> <output.acs>
//
// The manifest is a character file with three conveniences that the packed
// file does not have (see docs/character-format.md, "Sources"):
//  - an image may be given as the name of an SVG file beside the manifest; its
//    drawn size is taken from the picture's width and height;
//  - "layerSets" names lists of layers that frames include with {"set": name};
//  - keys starting with "//" are comments and are dropped.
#include "agent/characterfile/CharacterFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <cstdio>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    return file.readAll();
}

// The size an SVG picture declares on its root element, in pixels.
QSize declaredSize(const QByteArray& svg, const QString& path) {
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto number = [&](const char* name) {
            QString text = xml.attributes().value(QLatin1String(name)).toString().trimmed();
            if (text.endsWith(QLatin1String("px")))
                text.chop(2);
            bool ok = false;
            const double value = text.toDouble(&ok);
            if (!ok || value <= 0 || value != int(value))
                fail(
                    QStringLiteral("%1: the <svg> element needs a whole-pixel %2").arg(path, name));
            return int(value);
        };
        return QSize(number("width"), number("height"));
    }
    fail(QStringLiteral("%1: no <svg> element").arg(path));
}

QJsonObject withoutComments(const QJsonObject& object) {
    QJsonObject result;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key().startsWith(QLatin1String("//")))
            continue;
        if (it.value().isObject())
            result.insert(it.key(), withoutComments(it.value().toObject()));
        else
            result.insert(it.key(), it.value());
    }
    return result;
}

QJsonObject packImages(const QJsonObject& images, const QDir& base) {
    QJsonObject packed;
    for (auto it = images.begin(); it != images.end(); ++it) {
        if (!it.value().isString()) {
            packed.insert(it.key(), it.value());
            continue;
        }
        const QString path = base.filePath(it.value().toString());
        const QByteArray svg = readFile(path);
        const QSize size = declaredSize(svg, path);
        packed.insert(it.key(), QJsonObject{{QStringLiteral("width"), size.width()},
                                            {QStringLiteral("height"), size.height()},
                                            {QStringLiteral("svg"), QString::fromUtf8(svg)}});
    }
    return packed;
}

void expandLayers(const QJsonArray& layers, const QJsonObject& sets, QJsonArray& out, int depth,
                  const QString& where) {
    if (depth > 8)
        fail(QStringLiteral("%1: layer sets nest too deep (a set includes itself?)").arg(where));
    for (const QJsonValue& layer : layers) {
        const QJsonObject object = layer.toObject();
        if (!object.contains(QLatin1String("set"))) {
            out.append(layer);
            continue;
        }
        const QString name = object[QLatin1String("set")].toString();
        if (!sets.contains(name))
            fail(QStringLiteral("%1: there is no layer set \"%2\"").arg(where, name));
        expandLayers(sets[name].toArray(), sets, out, depth + 1, where);
    }
}

QJsonObject packFrames(const QJsonObject& frames, const QJsonObject& sets) {
    QJsonObject packed;
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        QJsonObject frame = it.value().toObject();
        QJsonArray layers;
        expandLayers(frame[QLatin1String("layers")].toArray(), sets, layers, 0,
                     QStringLiteral("frames.%1").arg(it.key()));
        frame.insert(QStringLiteral("layers"), layers);
        packed.insert(it.key(), frame);
    }
    return packed;
}

void pack(const QString& manifestPath, const QString& outputPath) {
    QJsonParseError error;
    const QJsonDocument manifest = QJsonDocument::fromJson(readFile(manifestPath), &error);
    if (error.error != QJsonParseError::NoError)
        fail(QStringLiteral("%1: %2 at byte %3")
                 .arg(manifestPath, error.errorString())
                 .arg(error.offset));
    QJsonObject root = withoutComments(manifest.object());
    const QDir base = QFileInfo(manifestPath).absoluteDir();
    root.insert(QStringLiteral("images"),
                packImages(root[QLatin1String("images")].toObject(), base));
    root.insert(QStringLiteral("frames"), packFrames(root[QLatin1String("frames")].toObject(),
                                                     root[QLatin1String("layerSets")].toObject()));
    root.remove(QStringLiteral("layerSets"));
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);

    // Check it as the runtime will read it, pictures included.
    const tk::agent::CharacterFileResult result =
        tk::agent::parseCharacterFile(bytes, QFileInfo(outputPath).fileName());
    if (!result.ok())
        fail(result.error);
    for (const tk::agent::CharacterImage& image : result.character->images) {
        if (!QSvgRenderer(image.svg).isValid())
            fail(QStringLiteral("image \"%1\" is not a drawable SVG picture").arg(image.name));
    }

    QSaveFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        fail(QStringLiteral("%1: cannot write: %2").arg(outputPath, out.errorString()));
    std::printf("%s: %d images, %d frames, %d animations, %lld bytes\n",
                qPrintable(QFileInfo(outputPath).fileName()), int(result.character->images.size()),
                int(result.character->frames.size()), int(result.character->animations.size()),
                static_cast<long long>(bytes.size()));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: acs-pack <manifest.json> <output.acs>\n");
        return 2;
    }
    try {
        pack(args[1], args[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "acs-pack: %s\n", e.what());
        return 1;
    }
    return 0;
}
