#pragma once

#include "platform/core/Dialogs.h"

#include <QStringList>
#include <functional>

namespace tk::test {

// Dialogs answered by the test. Each box is recorded as "message <title>|<text>"
// or "input <title>|<prompt>"; input boxes take their answers from inputAnswers
// in order ("" when none is left, as Cancel gives).
class RecordingDialogs final : public Dialogs {
public:
    QStringList shown;
    QStringList inputAnswers;
    // Runs while a box is "open", so tests can look at the state at that moment.
    std::function<void()> whileOpen;

    void message(const QString& text, const QString& title = {}) override {
        record(QStringLiteral("message %1|%2")
                   .arg(title.isEmpty() ? applicationTitle() : title, text));
    }
    QString input(const QString& prompt, const QString& title) override {
        record(QStringLiteral("input %1|%2").arg(title, prompt));
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }

private:
    void record(const QString& box) {
        shown.append(box);
        if (whileOpen)
            whileOpen();
    }
};

} // namespace tk::test
