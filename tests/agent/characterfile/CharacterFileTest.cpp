#include "agent/characterfile/CharacterFile.h"

#include "TestCharacter.h"
#include "agent/characterfile/SvgCheck.h"
#include "agent/runtime/FrameRenderer.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace tk::agent;

namespace {

// Sets (or with an undefined value removes) the value at a path of keys and
// list indices in a JSON document.
QJsonValue changed(const QJsonValue& node, QStringList path, const QJsonValue& value) {
    const QString key = path.takeFirst();
    bool isIndex = false;
    const int index = key.toInt(&isIndex);
    if (isIndex) {
        QJsonArray array = node.toArray();
        array[index] = path.isEmpty() ? value : changed(array[index], path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && value.isUndefined())
        object.remove(key);
    else
        object[key] = path.isEmpty() ? value : changed(object[key], path, value);
    return object;
}

QByteArray with(const QString& path, const QJsonValue& value) {
    return testcharacter::bytes(
        changed(testcharacter::json(), path.split(QLatin1Char('/')), value).toObject());
}

QString svg(const QString& body) {
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\">%1</svg>")
        .arg(body);
}

} // namespace

class CharacterFileTest : public QObject {
    Q_OBJECT
private slots:
    void validFile_givesTheCharacterWithItsReferences() {
        const CharacterFileResult result = parseCharacterFile(testcharacter::bytes(), "t.acs");
        QVERIFY2(result.ok(), qPrintable(result.error));
        const CharacterData& c = *result.character;
        QCOMPARE(c.name, QString("Tester"));
        QCOMPARE(c.size, QSize(40, 40));
        const int wave = c.animationIndex("wave"); // names ignore case
        QVERIFY(wave >= 0);
        QCOMPARE(c.animations[wave].steps.size(), 3);
        QCOMPARE(c.frames[c.animations[wave].exit.first().frame].name, QString("a"));
        const int speak = c.animationIndex("Speak");
        QCOMPARE(c.animations[speak].loopFrom, std::optional<int>(0));
        QCOMPARE(c.animations[c.animationIndex("Chain1")].next, c.animationIndex("Chain2"));
        QCOMPARE(c.stateAnimations(CharacterState::Speaking), QList<int>{speak});
        QCOMPARE(c.images[c.mouthImage(MouthShape::Tongue)].name, QString("mouth"));
        QVERIFY(c.frames[c.animations[speak].steps.first().frame].mouth.has_value());
        QCOMPARE(c.voice.rate, VoiceSettings().rate); // defaults where the file is silent
        QCOMPARE(c.animationIndex("NoSuchThing"), -1);
    }

    void tovrin_hasEverythingTheProgramAndRuntimeUse() {
        const CharacterFileResult result = readCharacterFile(TK_TOVRIN_FILE);
        QVERIFY2(result.ok(), qPrintable(result.error));
        const CharacterData& c = *result.character;
        for (const char* name :
             {"Show", "Hide", "RestPose", "Speaking", "Acknowledge", "GestureLeft", "GestureRight",
              "Greet", "Wave", "Pleased", "Sad", "Surprised", "Think", "Listening", "Hearing",
              "MoveLeft", "MoveRight", "MoveUp", "MoveDown"})
            QVERIFY2(c.animationIndex(name) >= 0, name);
        QVERIFY(c.stateAnimations(CharacterState::Idling).size() >= 3);
        bool speakingHasMouth = false;
        for (const AnimationStep& s : c.animations[c.animationIndex("Speaking")].steps)
            speakingHasMouth |= c.frames[s.frame].mouth.has_value();
        QVERIFY(speakingHasMouth);
        // About 128 pixels tall on its canvas, and every picture is drawable.
        QVERIFY(c.size.height() >= 128 && c.size.height() <= 200);
        FrameRenderer renderer(result.character);
        QCOMPARE(renderer.prepare(), QString());
        const QImage rest = renderer.render(
            c.animations[c.animationIndex("RestPose")].steps[0].frame, MouthShape::Closed, 2.0);
        QCOMPARE(rest.size(), c.size * 2);
        QCOMPARE(qAlpha(rest.pixel(0, 0)), 0); // transparent around the figure
        QCOMPARE(qAlpha(rest.pixel(rest.width() / 2, rest.height() / 2)), 255);
    }

    void damagedFile_failsSayingWhatAndWhere_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray good = testcharacter::bytes();
        const auto row = [](const char* name, const QByteArray& bytes, const char* expected) {
            QTest::newRow(name) << bytes << QString(expected);
        };
        row("empty", QByteArray("  \n"), "t.acs: the file is empty");
        row("truncated", good.left(good.size() / 2), "not a readable character file");
        row("not an object", QByteArray("[1, 2]"), "holds no JSON object");
        row("other format", with("format", "something"), "format: is \"something\"");
        row("newer version", with("version", 2), "version: is 2, newer");
        row("version as text", with("version", "1"), "version: must be a number, not a text");
        row("huge size", with("size/0", 1e300), "size[0]: is 1e+300, outside 16 to 1024");
        row("no images", with("images", QJsonValue::Undefined), "\"images\" is missing");
        row("missing image", with("frames/a/layers/0/image", "ghost"),
            "frames.a.layers[0].image: there is no image called \"ghost\"");
        row("missing frame", with("animations/Wave/steps/1/frame", "zz"),
            "animations.Wave.steps[1].frame: there is no frame called \"zz\"");
        row("empty animation", with("animations/Wave/steps", QJsonArray{}),
            "animations.Wave.steps: must not be empty");
        row("cyclic chain", with("animations/Chain2/next", "Chain1"),
            "comes back to itself (Chain1 → Chain2 → Chain1)");
        row("chain to itself", with("animations/Wave/next", "wave"),
            "animations.Wave: its \"next\" chain comes back to itself");
        row("zero duration", with("animations/Wave/steps/0/duration", 0),
            "steps[0].duration: is 0, outside 10 to 10000");
        row("fractional duration", with("animations/Wave/steps/0/duration", 12.5),
            "must be a whole number");
        row("endless duration", with("animations/Wave/steps/0/duration", 1e308),
            "outside 10 to 10000");
        QJsonArray long_;
        for (int i = 0; i < 20; ++i)
            long_.append(testcharacter::step("a", 10000));
        row("too long", with("animations/Wave/steps", long_), "lasts 200000 ms");
        row("loop out of range", with("animations/Speak/loopFrom", 5),
            "loopFrom: is 5, outside 0 to 1");
        row("loop with next", with("animations/Speak/next", "Wave"), "cannot have \"next\"");
        row("resting loops", with("states/rest", "Speak"),
            "the rest animation \"Speak\" must end by itself");
        row("state missing", with("states/hearing", QJsonValue::Undefined),
            "states: \"hearing\" is missing");
        row("state of nothing", with("states/idling", QJsonArray{}),
            "states.idling: must not be empty");
        row("mouth missing", with("mouths/tongue", QJsonValue::Undefined),
            "mouths: \"tongue\" is missing");
        row("typo", with("animations/Wave/durtion", 3),
            "animations.Wave: has an unknown key \"durtion\"");
        row("bad name", with("frames/a b", QJsonObject{{"layers", QJsonArray{}}}),
            "\"a b\" is not a valid name");
        row("names differ in case", with("frames/A", QJsonObject{{"layers", QJsonArray{}}}),
            "the frame name");
        row("wide image", with("images/dot/width", 5000), "images.dot.width: is 5000");
        QJsonArray layers;
        for (int i = 0; i < 33; ++i)
            layers.append(QJsonObject{{"image", "dot"}});
        row("too many layers", with("frames/a/layers", layers),
            "has 33 entries, more than the 32 allowed");
        row("scale zero", with("frames/a/layers/0/scale", 0), "must be at least 0.01");
        row("bad colour", with("matte", "teal"), "matte: \"teal\" is not a colour");
        row("svg not xml", with("images/dot/svg", "<svg><g></svg>"),
            "images.dot.svg: the picture is not well-formed XML");
        row("svg script", with("images/dot/svg", svg("<script>x()</script>")), "uses <script>");
        row("svg entities",
            with("images/dot/svg",
                 "<!DOCTYPE svg [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><svg>&b;</svg>"),
            "declares a document type");
        row("svg outside reference",
            with("images/dot/svg", svg("<rect fill=\"url(http://x/y)\"/>")),
            "refers to something outside itself");
        row("svg animation", with("images/dot/svg", svg("<animate attributeName=\"x\"/>")),
            "uses <animate>");
        row("svg root", with("images/dot/svg", "<html/>"), "root element is <html>");
    }

    void damagedFile_failsSayingWhatAndWhere() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const CharacterFileResult result = parseCharacterFile(bytes, "t.acs");
        QVERIFY(!result.ok());
        QVERIFY2(result.error.startsWith("t.acs: "), qPrintable(result.error));
        QVERIFY2(result.error.contains(expected), qPrintable(result.error));
    }

    void files_tooLargeOrMissing_areRefusedWithTheirPath() {
        QTemporaryDir dir;
        const QString big = dir.filePath("big.acs");
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(limits::kFileBytes + 1));
        file.close();
        QVERIFY(readCharacterFile(big).error.startsWith(big + ": the file has"));
        const QString missing = dir.filePath("missing.acs");
        QVERIFY(readCharacterFile(missing).error.startsWith(
            missing + ": the character file cannot be opened"));
        QVERIFY(!parseCharacterFile(QByteArray(limits::kFileBytes + 1, ' '), "x").ok());
    }

    void hostileBytes_neverCrashOrHang() {
        // Deep nesting, and a valid file cut and corrupted at many places.
        QVERIFY(!parseCharacterFile(QByteArray(200000, '[') + QByteArray(200000, ']'), "x").ok());
        QVERIFY(!svgImageProblem("<svg>" + QByteArray(40 * 6, 'x').replace("x", "<g>") + "</svg>")
                     .isEmpty());
        const QByteArray good = testcharacter::bytes();
        QRandomGenerator random(7);
        for (int i = 0; i < 400; ++i) {
            QByteArray bytes = good;
            const int at = int(random.bounded(bytes.size()));
            if (i % 2)
                bytes[at] = char(random.bounded(256));
            else
                bytes.truncate(at);
            const CharacterFileResult result = parseCharacterFile(bytes, "x");
            QVERIFY(result.ok() || !result.error.isEmpty());
        }
    }
};

QTEST_MAIN(CharacterFileTest)
#include "CharacterFileTest.moc"
