#include "agent/characterfile/CharacterFile.h"

#include "agent/characterfile/SvgCheck.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <functional>

namespace tk::agent {

QString characterStateKey(CharacterState state) {
    switch (state) {
    case CharacterState::Showing:
        return QStringLiteral("showing");
    case CharacterState::Hiding:
        return QStringLiteral("hiding");
    case CharacterState::Rest:
        return QStringLiteral("rest");
    case CharacterState::Idling:
        return QStringLiteral("idling");
    case CharacterState::Speaking:
        return QStringLiteral("speaking");
    case CharacterState::MovingLeft:
        return QStringLiteral("movingLeft");
    case CharacterState::MovingRight:
        return QStringLiteral("movingRight");
    case CharacterState::MovingUp:
        return QStringLiteral("movingUp");
    case CharacterState::MovingDown:
        return QStringLiteral("movingDown");
    case CharacterState::Listening:
        return QStringLiteral("listening");
    case CharacterState::Hearing:
        return QStringLiteral("hearing");
    }
    return {};
}

QString mouthShapeKey(MouthShape shape) {
    switch (shape) {
    case MouthShape::Closed:
        return QStringLiteral("closed");
    case MouthShape::Open:
        return QStringLiteral("open");
    case MouthShape::Wide:
        return QStringLiteral("wide");
    case MouthShape::Round:
        return QStringLiteral("round");
    case MouthShape::Pucker:
        return QStringLiteral("pucker");
    case MouthShape::Teeth:
        return QStringLiteral("teeth");
    case MouthShape::Tongue:
        return QStringLiteral("tongue");
    }
    return {};
}

int CharacterData::animationIndex(const QString& animationName) const {
    for (int i = 0; i < animations.size(); ++i) {
        if (animations[i].name.compare(animationName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace {

struct FormatError {
    QString where;
    QString what;
};

QString describe(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("true or false");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a text");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

QString number(double value) {
    return QString::number(value, 'g', 10);
}

// Reads JSON values while keeping the path to the value being read, so that
// every complaint says where it is ("animations.Wave.steps[3].frame").
class Reader {
public:
    [[noreturn]] void fail(const QString& what) const { throw FormatError{where(), what}; }

    QString where() const {
        QString text;
        for (const QString& part : m_path) {
            if (!text.isEmpty() && !part.startsWith(QLatin1Char('[')))
                text += QLatin1Char('.');
            text += part;
        }
        return text;
    }

    // Runs read with part appended to the path.
    template <typename F> auto at(const QString& part, F&& read) {
        m_path.append(part);
        struct Pop {
            QStringList& path;
            ~Pop() { path.removeLast(); }
        } pop{m_path};
        return read();
    }
    template <typename F> auto at(qsizetype index, F&& read) {
        return at(QStringLiteral("[%1]").arg(index), std::forward<F>(read));
    }

    QJsonObject object(const QJsonValue& value, const QStringList& allowedKeys) const {
        if (!value.isObject())
            fail(QStringLiteral("must be an object, not %1").arg(describe(value)));
        const QJsonObject result = value.toObject();
        for (auto it = result.begin(); it != result.end(); ++it) {
            if (!allowedKeys.contains(it.key()))
                fail(QStringLiteral("has an unknown key \"%1\"").arg(it.key().left(40)));
        }
        return result;
    }

    QJsonObject map(const QJsonValue& value, int maxEntries, const QString& what) const {
        if (!value.isObject())
            fail(QStringLiteral("must be an object, not %1").arg(describe(value)));
        const QJsonObject result = value.toObject();
        if (result.size() > maxEntries)
            fail(QStringLiteral("has %1 %2, more than the %3 allowed")
                     .arg(result.size())
                     .arg(what)
                     .arg(maxEntries));
        return result;
    }

    QJsonArray array(const QJsonValue& value, qsizetype minSize, qsizetype maxSize) const {
        if (!value.isArray())
            fail(QStringLiteral("must be a list, not %1").arg(describe(value)));
        const QJsonArray result = value.toArray();
        if (result.size() < minSize)
            fail(minSize == 1 ? QStringLiteral("must not be empty")
                              : QStringLiteral("must have at least %1 entries").arg(minSize));
        if (result.size() > maxSize)
            fail(QStringLiteral("has %1 entries, more than the %2 allowed")
                     .arg(result.size())
                     .arg(maxSize));
        return result;
    }

    QString text(const QJsonValue& value, int maxLength) const {
        if (!value.isString())
            fail(QStringLiteral("must be a text, not %1").arg(describe(value)));
        const QString result = value.toString();
        if (result.size() > maxLength)
            fail(QStringLiteral("is %1 characters long, more than the %2 allowed")
                     .arg(result.size())
                     .arg(maxLength));
        return result;
    }

    QString name(const QJsonValue& value) const { return checkedName(text(value, 200)); }

    QString checkedName(const QString& candidate) const {
        static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_.-]*$"));
        if (candidate.isEmpty() || candidate.size() > limits::kNameLength ||
            !pattern.match(candidate).hasMatch())
            fail(QStringLiteral("\"%1\" is not a valid name (letters, digits, _ . - only, at "
                                "most %2 characters)")
                     .arg(candidate.left(80))
                     .arg(limits::kNameLength));
        return candidate;
    }

    double real(const QJsonValue& value, double min, double max) const {
        if (!value.isDouble())
            fail(QStringLiteral("must be a number, not %1").arg(describe(value)));
        const double result = value.toDouble();
        if (!std::isfinite(result) || result < min || result > max)
            fail(QStringLiteral("is %1, outside %2 to %3")
                     .arg(number(result), number(min), number(max)));
        return result;
    }

    int integer(const QJsonValue& value, int min, int max) const {
        const double result = real(value, min, max);
        if (result != std::floor(result))
            fail(QStringLiteral("must be a whole number, not %1").arg(number(result)));
        return static_cast<int>(result);
    }

    QPointF point(const QJsonValue& value, double min, double max) {
        const QJsonArray pair = array(value, 2, 2);
        const double x = at(0, [&] { return real(pair[0], min, max); });
        const double y = at(1, [&] { return real(pair[1], min, max); });
        return {x, y};
    }

    QColor color(const QJsonValue& value) const {
        static const QRegularExpression pattern(
            QStringLiteral("^#([0-9A-Fa-f]{3}|[0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$"));
        const QString written = text(value, 9);
        if (!pattern.match(written).hasMatch())
            fail(
                QStringLiteral("\"%1\" is not a colour (#rgb, #rrggbb or #aarrggbb)").arg(written));
        return QColor::fromString(written);
    }

private:
    QStringList m_path;
};

class CharacterParser {
public:
    explicit CharacterParser(CharacterData& data) : m_data(data) {}

    void parse(const QJsonObject& root) {
        m_reader.object(
            root, {QStringLiteral("format"), QStringLiteral("version"), QStringLiteral("name"),
                   QStringLiteral("size"), QStringLiteral("matte"), QStringLiteral("images"),
                   QStringLiteral("frames"), QStringLiteral("animations"), QStringLiteral("states"),
                   QStringLiteral("mouths"), QStringLiteral("voice"), QStringLiteral("balloon")});
        readHeader(root);
        readImages(required(root, QStringLiteral("images")));
        readFrames(required(root, QStringLiteral("frames")));
        readAnimations(required(root, QStringLiteral("animations")));
        readStates(required(root, QStringLiteral("states")));
        readMouths(required(root, QStringLiteral("mouths")));
        if (root.contains(QLatin1String("voice")))
            m_reader.at(QStringLiteral("voice"), [&] { readVoice(root[QLatin1String("voice")]); });
        if (root.contains(QLatin1String("balloon")))
            m_reader.at(QStringLiteral("balloon"),
                        [&] { readBalloon(root[QLatin1String("balloon")]); });
    }

private:
    QJsonValue required(const QJsonObject& object, const QString& key) {
        if (!object.contains(key))
            m_reader.fail(QStringLiteral("\"%1\" is missing").arg(key));
        return object[key];
    }

    void readHeader(const QJsonObject& root) {
        m_reader.at(QStringLiteral("format"), [&] {
            const QString format = m_reader.text(required(root, QStringLiteral("format")), 100);
            if (format != QLatin1String(kCharacterFormatName))
                m_reader.fail(QStringLiteral("is \"%1\", not \"%2\": this is not a character file")
                                  .arg(format, QLatin1String(kCharacterFormatName)));
        });
        m_data.version = m_reader.at(QStringLiteral("version"), [&] {
            const QJsonValue value = required(root, QStringLiteral("version"));
            if (value.isDouble() && value.toDouble() > kCharacterFormatVersion &&
                std::isfinite(value.toDouble()))
                m_reader.fail(QStringLiteral("is %1, newer than the version %2 this program reads")
                                  .arg(number(value.toDouble()))
                                  .arg(kCharacterFormatVersion));
            return m_reader.integer(value, 1, kCharacterFormatVersion);
        });
        m_data.name = m_reader.at(QStringLiteral("name"), [&] {
            return m_reader.text(required(root, QStringLiteral("name")), limits::kNameLength);
        });
        const QPointF size = m_reader.at(QStringLiteral("size"), [&] {
            return m_reader.point(required(root, QStringLiteral("size")), 16, limits::kCanvasSide);
        });
        m_reader.at(QStringLiteral("size"), [&] {
            if (size.x() != std::floor(size.x()) || size.y() != std::floor(size.y()))
                m_reader.fail(QStringLiteral("must be whole numbers of pixels"));
        });
        m_data.size = QSize(static_cast<int>(size.x()), static_cast<int>(size.y()));
        m_data.matte = QColor(0x20, 0x20, 0x20);
        if (root.contains(QLatin1String("matte")))
            m_data.matte = m_reader.at(QStringLiteral("matte"), [&] {
                return m_reader.color(root[QLatin1String("matte")]);
            });
    }

    // Adds name to seen, refusing duplicates that differ only in case.
    void claimName(QHash<QString, int>& seen, const QString& name, int index, const QString& kind) {
        const QString key = name.toLower();
        if (seen.contains(key))
            m_reader.fail(QStringLiteral("the %1 name \"%2\" is used twice (names ignore case)")
                              .arg(kind, name));
        seen.insert(key, index);
    }

    int lookUp(const QHash<QString, int>& names, const QJsonValue& value, const QString& kind) {
        const QString name = m_reader.name(value);
        const auto it = names.constFind(name.toLower());
        if (it == names.constEnd())
            m_reader.fail(QStringLiteral("there is no %1 called \"%2\"").arg(kind, name));
        return it.value();
    }

    void readImages(const QJsonValue& value) {
        m_reader.at(QStringLiteral("images"), [&] {
            const QJsonObject images =
                m_reader.map(value, limits::kImages, QStringLiteral("images"));
            if (images.isEmpty())
                m_reader.fail(QStringLiteral("must not be empty"));
            for (auto it = images.begin(); it != images.end(); ++it) {
                m_reader.at(it.key(), [&] {
                    CharacterImage image;
                    image.name = m_reader.checkedName(it.key());
                    claimName(m_imageNames, image.name, int(m_data.images.size()),
                              QStringLiteral("image"));
                    const QJsonObject object = m_reader.object(
                        it.value(),
                        {QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("svg")});
                    const int width = m_reader.at(QStringLiteral("width"), [&] {
                        return m_reader.integer(required(object, QStringLiteral("width")), 1,
                                                limits::kImageSide);
                    });
                    const int height = m_reader.at(QStringLiteral("height"), [&] {
                        return m_reader.integer(required(object, QStringLiteral("height")), 1,
                                                limits::kImageSide);
                    });
                    image.size = QSizeF(width, height);
                    m_reader.at(QStringLiteral("svg"), [&] {
                        const QString svg = m_reader.text(required(object, QStringLiteral("svg")),
                                                          limits::kSvgBytes);
                        image.svg = svg.toUtf8();
                        const QString problem = svgImageProblem(image.svg);
                        if (!problem.isEmpty())
                            m_reader.fail(problem);
                    });
                    m_data.images.append(image);
                });
            }
        });
    }

    Placement readPlacement(const QJsonObject& object, QPointF defaultPivot) {
        Placement placement;
        placement.pivot = defaultPivot;
        const double c = limits::kCoordinate;
        if (object.contains(QLatin1String("x")))
            placement.offset.setX(m_reader.at(QStringLiteral("x"), [&] {
                return m_reader.real(object[QLatin1String("x")], -c, c);
            }));
        if (object.contains(QLatin1String("y")))
            placement.offset.setY(m_reader.at(QStringLiteral("y"), [&] {
                return m_reader.real(object[QLatin1String("y")], -c, c);
            }));
        if (object.contains(QLatin1String("pivot")))
            placement.pivot = m_reader.at(QStringLiteral("pivot"), [&] {
                return m_reader.point(object[QLatin1String("pivot")], -c, c);
            });
        if (object.contains(QLatin1String("rotate")))
            placement.rotation = m_reader.at(QStringLiteral("rotate"), [&] {
                return m_reader.real(object[QLatin1String("rotate")], -720, 720);
            });
        if (object.contains(QLatin1String("scale"))) {
            placement.scale = m_reader.at(QStringLiteral("scale"), [&] {
                const QJsonValue scale = object[QLatin1String("scale")];
                const QPointF factors = scale.isArray() ? m_reader.point(scale, -8, 8)
                                                        : QPointF(m_reader.real(scale, -8, 8),
                                                                  m_reader.real(scale, -8, 8));
                if (std::abs(factors.x()) < 0.01 || std::abs(factors.y()) < 0.01)
                    m_reader.fail(QStringLiteral("must be at least 0.01 (or at most -0.01)"));
                return factors;
            });
        }
        if (object.contains(QLatin1String("opacity")))
            placement.opacity = m_reader.at(QStringLiteral("opacity"), [&] {
                return m_reader.real(object[QLatin1String("opacity")], 0, 1);
            });
        return placement;
    }

    void readFrames(const QJsonValue& value) {
        m_reader.at(QStringLiteral("frames"), [&] {
            const QJsonObject frames =
                m_reader.map(value, limits::kFrames, QStringLiteral("frames"));
            if (frames.isEmpty())
                m_reader.fail(QStringLiteral("must not be empty"));
            const QPointF feet(m_data.size.width() / 2.0, m_data.size.height());
            for (auto it = frames.begin(); it != frames.end(); ++it) {
                m_reader.at(it.key(), [&] {
                    Frame frame;
                    frame.name = m_reader.checkedName(it.key());
                    claimName(m_frameNames, frame.name, int(m_data.frames.size()),
                              QStringLiteral("frame"));
                    const QJsonObject object = m_reader.object(
                        it.value(), {QStringLiteral("layers"), QStringLiteral("mouth"),
                                     QStringLiteral("transform")});
                    const QJsonArray layers = m_reader.at(QStringLiteral("layers"), [&] {
                        return m_reader.array(required(object, QStringLiteral("layers")), 0,
                                              limits::kLayersPerFrame);
                    });
                    for (qsizetype i = 0; i < layers.size(); ++i)
                        m_reader.at(QStringLiteral("layers"), [&] {
                            m_reader.at(i, [&] { frame.layers.append(readLayer(layers[i])); });
                        });
                    if (object.contains(QLatin1String("mouth")))
                        frame.mouth = m_reader.at(QStringLiteral("mouth"), [&] {
                            return m_reader.point(object[QLatin1String("mouth")],
                                                  -limits::kCoordinate, limits::kCoordinate);
                        });
                    frame.transform.pivot = feet;
                    if (object.contains(QLatin1String("transform")))
                        frame.transform = m_reader.at(QStringLiteral("transform"), [&] {
                            const QJsonObject transform = m_reader.object(
                                object[QLatin1String("transform")], placementKeys());
                            return readPlacement(transform, feet);
                        });
                    m_data.frames.append(frame);
                });
            }
        });
    }

    static QStringList placementKeys() {
        return {QStringLiteral("x"),      QStringLiteral("y"),     QStringLiteral("pivot"),
                QStringLiteral("rotate"), QStringLiteral("scale"), QStringLiteral("opacity")};
    }

    FrameLayer readLayer(const QJsonValue& value) {
        QStringList keys = placementKeys();
        keys.append(QStringLiteral("image"));
        const QJsonObject object = m_reader.object(value, keys);
        FrameLayer layer;
        layer.image = m_reader.at(QStringLiteral("image"), [&] {
            return lookUp(m_imageNames, required(object, QStringLiteral("image")),
                          QStringLiteral("image"));
        });
        const QSizeF size = m_data.images[layer.image].size;
        layer.placement = readPlacement(object, QPointF(size.width() / 2, size.height() / 2));
        return layer;
    }

    QList<AnimationStep> readSteps(const QJsonValue& value, qsizetype minSteps,
                                   qsizetype maxSteps) {
        const QJsonArray steps = m_reader.array(value, minSteps, maxSteps);
        QList<AnimationStep> result;
        qint64 total = 0;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            m_reader.at(i, [&] {
                const QJsonObject object = m_reader.object(
                    steps[i], {QStringLiteral("frame"), QStringLiteral("duration")});
                AnimationStep step;
                step.frame = m_reader.at(QStringLiteral("frame"), [&] {
                    return lookUp(m_frameNames, required(object, QStringLiteral("frame")),
                                  QStringLiteral("frame"));
                });
                if (object.contains(QLatin1String("duration")))
                    step.durationMs = m_reader.at(QStringLiteral("duration"), [&] {
                        return m_reader.integer(object[QLatin1String("duration")],
                                                limits::kStepMinMs, limits::kStepMaxMs);
                    });
                total += step.durationMs;
                result.append(step);
            });
        }
        if (total > limits::kAnimationMaxMs)
            m_reader.fail(QStringLiteral("lasts %1 ms, longer than the %2 ms allowed")
                              .arg(total)
                              .arg(limits::kAnimationMaxMs));
        return result;
    }

    void readAnimations(const QJsonValue& value) {
        QHash<int, QString> nextNames;
        m_reader.at(QStringLiteral("animations"), [&] {
            const QJsonObject animations =
                m_reader.map(value, limits::kAnimations, QStringLiteral("animations"));
            for (auto it = animations.begin(); it != animations.end(); ++it) {
                m_reader.at(it.key(), [&] {
                    Animation animation;
                    animation.name = m_reader.checkedName(it.key());
                    const int index = int(m_data.animations.size());
                    claimName(m_animationNames, animation.name, index, QStringLiteral("animation"));
                    const QJsonObject object = m_reader.object(
                        it.value(), {QStringLiteral("steps"), QStringLiteral("loopFrom"),
                                     QStringLiteral("exit"), QStringLiteral("next")});
                    animation.steps = m_reader.at(QStringLiteral("steps"), [&] {
                        return readSteps(required(object, QStringLiteral("steps")), 1,
                                         limits::kStepsPerAnimation);
                    });
                    if (object.contains(QLatin1String("loopFrom")))
                        animation.loopFrom = m_reader.at(QStringLiteral("loopFrom"), [&] {
                            return m_reader.integer(object[QLatin1String("loopFrom")], 0,
                                                    int(animation.steps.size()) - 1);
                        });
                    if (object.contains(QLatin1String("exit")))
                        animation.exit = m_reader.at(QStringLiteral("exit"), [&] {
                            return readSteps(object[QLatin1String("exit")], 0, limits::kExitSteps);
                        });
                    if (object.contains(QLatin1String("next"))) {
                        if (animation.loopFrom)
                            m_reader.fail(QStringLiteral("a looping animation never ends by "
                                                         "itself, so it cannot have \"next\""));
                        nextNames.insert(index, m_reader.at(QStringLiteral("next"), [&] {
                            return m_reader.name(object[QLatin1String("next")]);
                        }));
                    }
                    m_data.animations.append(animation);
                });
            }
            if (m_data.animations.isEmpty())
                m_reader.fail(QStringLiteral("must not be empty"));
            for (auto it = nextNames.begin(); it != nextNames.end(); ++it) {
                m_reader.at(m_data.animations[it.key()].name, [&] {
                    m_reader.at(QStringLiteral("next"), [&] {
                        m_data.animations[it.key()].next =
                            lookUp(m_animationNames, it.value(), QStringLiteral("animation"));
                    });
                });
            }
            for (int i = 0; i < m_data.animations.size(); ++i)
                checkChain(i);
        });
    }

    // An animation whose "next" chain comes back to itself would never end.
    void checkChain(int start) {
        QStringList chain{m_data.animations[start].name};
        qint64 total = 0;
        for (int current = m_data.animations[start].next; current >= 0;
             current = m_data.animations[current].next) {
            chain.append(m_data.animations[current].name);
            if (current == start)
                m_reader.at(m_data.animations[start].name, [&] {
                    m_reader.fail(QStringLiteral("its \"next\" chain comes back to itself (%1)")
                                      .arg(chain.join(QStringLiteral(" → "))));
                });
            if (chain.size() > m_data.animations.size() + 1)
                break; // a cycle not through start: reported when checking its members
            for (const AnimationStep& step : m_data.animations[current].steps)
                total += step.durationMs;
        }
        if (total > limits::kAnimationMaxMs)
            m_reader.at(m_data.animations[start].name, [&] {
                m_reader.fail(QStringLiteral("its \"next\" chain lasts longer than %1 ms")
                                  .arg(limits::kAnimationMaxMs));
            });
    }

    void readStates(const QJsonValue& value) {
        m_reader.at(QStringLiteral("states"), [&] {
            QStringList keys;
            for (int s = 0; s < kCharacterStateCount; ++s)
                keys.append(characterStateKey(static_cast<CharacterState>(s)));
            const QJsonObject states = m_reader.object(value, keys);
            for (int s = 0; s < kCharacterStateCount; ++s) {
                const QString key = keys[s];
                const QJsonValue entry = required(states, key);
                m_reader.at(key, [&] {
                    QList<int>& animations = m_data.states[s];
                    if (entry.isArray()) {
                        const QJsonArray names =
                            m_reader.array(entry, 1, limits::kAnimationsPerState);
                        for (qsizetype i = 0; i < names.size(); ++i)
                            animations.append(m_reader.at(i, [&] {
                                return lookUp(m_animationNames, names[i],
                                              QStringLiteral("animation"));
                            }));
                    } else {
                        animations.append(
                            lookUp(m_animationNames, entry, QStringLiteral("animation")));
                    }
                });
            }
            m_reader.at(QStringLiteral("rest"), [&] {
                for (int index : m_data.stateAnimations(CharacterState::Rest)) {
                    const Animation& rest = m_data.animations[index];
                    if (rest.loopFrom || rest.next >= 0)
                        m_reader.fail(QStringLiteral("the rest animation \"%1\" must end by "
                                                     "itself: no \"loopFrom\", no \"next\"")
                                          .arg(rest.name));
                }
            });
        });
    }

    void readMouths(const QJsonValue& value) {
        m_reader.at(QStringLiteral("mouths"), [&] {
            QStringList keys;
            for (int m = 0; m < kMouthShapeCount; ++m)
                keys.append(mouthShapeKey(static_cast<MouthShape>(m)));
            const QJsonObject mouths = m_reader.object(value, keys);
            for (int m = 0; m < kMouthShapeCount; ++m) {
                const QJsonValue entry = required(mouths, keys[m]);
                m_data.mouths[m] = m_reader.at(
                    keys[m], [&] { return lookUp(m_imageNames, entry, QStringLiteral("image")); });
            }
        });
    }

    void readVoice(const QJsonValue& value) {
        const QJsonObject voice = m_reader.object(
            value, {QStringLiteral("voice"), QStringLiteral("rate"), QStringLiteral("pitch"),
                    QStringLiteral("range"), QStringLiteral("volume")});
        VoiceSettings& settings = m_data.voice;
        if (voice.contains(QLatin1String("voice")))
            m_reader.at(QStringLiteral("voice"), [&] {
                static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_+-]+$"));
                settings.voice = m_reader.text(voice[QLatin1String("voice")], 64);
                if (!pattern.match(settings.voice).hasMatch())
                    m_reader.fail(QStringLiteral("\"%1\" is not a voice name").arg(settings.voice));
            });
        const auto readSetting = [&](const char* key, int min, int max, int& target) {
            const QString name = QLatin1String(key);
            if (voice.contains(name))
                target = m_reader.at(name, [&] { return m_reader.integer(voice[name], min, max); });
        };
        readSetting("rate", 80, 450, settings.rate);
        readSetting("pitch", 0, 100, settings.pitch);
        readSetting("range", 0, 100, settings.range);
        readSetting("volume", 0, 200, settings.volume);
    }

    void readBalloon(const QJsonValue& value) {
        const QJsonObject balloon =
            m_reader.object(value, {QStringLiteral("font"), QStringLiteral("fontSize"),
                                    QStringLiteral("text"), QStringLiteral("background"),
                                    QStringLiteral("border"), QStringLiteral("maxWidth")});
        BalloonSettings& settings = m_data.balloon;
        if (balloon.contains(QLatin1String("font")))
            settings.fontFamily = m_reader.at(QStringLiteral("font"), [&] {
                return m_reader.text(balloon[QLatin1String("font")], 64);
            });
        if (balloon.contains(QLatin1String("fontSize")))
            settings.fontPointSize = m_reader.at(QStringLiteral("fontSize"), [&] {
                return m_reader.real(balloon[QLatin1String("fontSize")], 6, 48);
            });
        const auto readColor = [&](const char* key, QColor& target) {
            const QString name = QLatin1String(key);
            if (balloon.contains(name))
                target = m_reader.at(name, [&] { return m_reader.color(balloon[name]); });
        };
        readColor("text", settings.textColor);
        readColor("background", settings.backgroundColor);
        readColor("border", settings.borderColor);
        if (balloon.contains(QLatin1String("maxWidth")))
            settings.maxTextWidth = m_reader.at(QStringLiteral("maxWidth"), [&] {
                return m_reader.integer(balloon[QLatin1String("maxWidth")], 80, 1024);
            });
    }

    CharacterData& m_data;
    Reader m_reader;
    QHash<QString, int> m_imageNames;
    QHash<QString, int> m_frameNames;
    QHash<QString, int> m_animationNames;
};

} // namespace

CharacterFileResult parseCharacterFile(const QByteArray& bytes, const QString& fileName) {
    CharacterFileResult result;
    if (bytes.size() > limits::kFileBytes) {
        result.error = QStringLiteral("%1: the file has %2 bytes, more than the %3 allowed")
                           .arg(fileName)
                           .arg(bytes.size())
                           .arg(limits::kFileBytes);
        return result;
    }
    if (bytes.trimmed().isEmpty()) {
        result.error = QStringLiteral("%1: the file is empty").arg(fileName);
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("%1: not a readable character file: %2 at byte %3")
                           .arg(fileName, parseError.errorString())
                           .arg(parseError.offset);
        return result;
    }
    if (!document.isObject()) {
        result.error =
            QStringLiteral("%1: not a character file: it holds no JSON object").arg(fileName);
        return result;
    }
    auto data = std::make_shared<CharacterData>();
    try {
        CharacterParser parser(*data);
        parser.parse(document.object());
    } catch (const FormatError& error) {
        result.error = error.where.isEmpty()
                           ? QStringLiteral("%1: %2").arg(fileName, error.what)
                           : QStringLiteral("%1: %2: %3").arg(fileName, error.where, error.what);
        return result;
    }
    result.character = std::move(data);
    return result;
}

CharacterFileResult readCharacterFile(const QString& path) {
    CharacterFileResult result;
    QFile file(path);
    const QString& shown = path;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1: the character file cannot be opened: %2")
                           .arg(shown, file.errorString());
        return result;
    }
    if (file.size() > limits::kFileBytes) {
        result.error = QStringLiteral("%1: the file has %2 bytes, more than the %3 allowed")
                           .arg(shown)
                           .arg(file.size())
                           .arg(limits::kFileBytes);
        return result;
    }
    // Read at most one byte over the limit: a file that grows meanwhile is still refused.
    const QByteArray bytes = file.read(limits::kFileBytes + 1);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("%1: the character file cannot be read: %2")
                           .arg(shown, file.errorString());
        return result;
    }
    return parseCharacterFile(bytes, shown);
}

} // namespace tk::agent
