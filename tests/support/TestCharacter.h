#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// A small, valid character for the runtime's tests: one picture, quick frames
// (tens of milliseconds), every state mapped. Tests change it to damage it.
namespace testcharacter {

inline QJsonObject step(const QString& frame, int duration) {
    return {{"frame", frame}, {"duration", duration}};
}

inline QJsonObject animation(QJsonArray steps, QJsonArray exit = {}, int loopFrom = -1) {
    QJsonObject result{{"steps", steps}};
    if (!exit.isEmpty())
        result["exit"] = exit;
    if (loopFrom >= 0)
        result["loopFrom"] = loopFrom;
    return result;
}

inline QJsonObject json() {
    const QString dot = QStringLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"20\" height=\"20\" viewBox=\"0 0 20 "
        "20\"><circle cx=\"10\" cy=\"10\" r=\"9\" fill=\"#3fb8af\"/></svg>");
    QJsonObject images{{"dot", QJsonObject{{"width", 20}, {"height", 20}, {"svg", dot}}},
                       {"mouth", QJsonObject{{"width", 8}, {"height", 4}, {"svg", dot}}}};
    QJsonObject frames{
        {"a", QJsonObject{{"layers", QJsonArray{QJsonObject{{"image", "dot"}}}}}},
        {"b", QJsonObject{{"layers", QJsonArray{QJsonObject{{"image", "dot"}, {"x", 5}}}}}},
        {"c", QJsonObject{{"layers", QJsonArray{QJsonObject{{"image", "dot"}, {"y", 5}}}}}},
        {"talk", QJsonObject{{"layers", QJsonArray{QJsonObject{{"image", "dot"}}}},
                             {"mouth", QJsonArray{20, 20}}}},
    };
    QJsonObject animations{
        {"Rest", animation({step("a", 20)})},
        {"Show", animation({step("b", 20), step("a", 20)})},
        {"Hide", animation({step("b", 20)})},
        {"Idle", animation({step("b", 20), step("c", 20), step("a", 20)})},
        {"Speak", animation({step("talk", 20), step("b", 20)}, {step("a", 10)}, 0)},
        {"Move", animation({step("b", 20), step("c", 20)}, {step("a", 10)}, 0)},
        {"Listen", animation({step("c", 30)}, {step("a", 10)}, 0)},
        {"Hear", animation({step("b", 30)}, {step("a", 10)}, 0)},
        {"Wave", animation({step("b", 20), step("c", 20), step("b", 20)}, {step("a", 10)})},
        {"Chain1", QJsonObject{{"steps", QJsonArray{step("b", 20)}}, {"next", "Chain2"}}},
        {"Chain2", animation({step("c", 20)})},
    };
    QJsonObject states{{"showing", "Show"},     {"hiding", "Hide"},
                       {"rest", "Rest"},        {"idling", QJsonArray{"Idle"}},
                       {"speaking", "Speak"},   {"movingLeft", "Move"},
                       {"movingRight", "Move"}, {"movingUp", "Move"},
                       {"movingDown", "Move"},  {"listening", "Listen"},
                       {"hearing", "Hear"}};
    QJsonObject mouths;
    for (const char* shape : {"closed", "open", "wide", "round", "pucker", "teeth", "tongue"})
        mouths[shape] = "mouth";
    return {{"format", "tovrin-character"}, {"version", 1},     {"name", "Tester"},
            {"size", QJsonArray{40, 40}},   {"images", images}, {"frames", frames},
            {"animations", animations},     {"states", states}, {"mouths", mouths}};
}

inline QByteArray bytes(const QJsonObject& object = json()) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Writes the test character to path; false when it cannot be written.
inline bool writeTo(const QString& path, const QJsonObject& object = json()) {
    QFile file(path);
    const QByteArray content = bytes(object);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace testcharacter
