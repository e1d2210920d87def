#pragma once

#include "agent/api/AgentControl.h"

#include <QList>
#include <QSet>
#include <QStringList>

namespace tk::test {

// An agent control that records every request as one line of text, for
// example "speak Tovrin|Hello there!". Like the runtime, it ignores requests
// for characters that are not loaded (they go to ignoredCalls instead).
class RecordingAgent final : public agent::AgentControl {
    Q_OBJECT
public:
    QStringList calls;
    QStringList ignoredCalls;
    QList<agent::CommandRegistration> commands;
    Status nextLoadResult;

    // Raises the Command event as a menu choice of name would.
    void raiseCommand(const QString& name) {
        agent::UserInput input;
        input.Name = name;
        emit Command(input);
    }
    // The texts passed to speak, in order.
    QStringList spokenTexts() const {
        QStringList texts;
        for (const QString& call : calls) {
            if (call.startsWith(QLatin1String("speak ")))
                texts.append(call.section(QLatin1Char('|'), 1));
        }
        return texts;
    }

    Status loadCharacter(const QString& id, const QString& path) override {
        calls.append(QStringLiteral("load %1|%2").arg(id, path));
        if (nextLoadResult.isOk())
            m_loaded.insert(id);
        return nextLoadResult;
    }
    void unloadCharacter(const QString& id) override {
        calls.append(QStringLiteral("unload %1").arg(id));
        m_loaded.remove(id);
    }
    bool isLoaded(const QString& id) const override { return m_loaded.contains(id); }
    void setLanguageId(const QString& id, int languageId) override {
        record(id, QStringLiteral("language %1|%2").arg(id).arg(languageId));
    }
    void listen(const QString& id, bool on) override {
        record(id, QStringLiteral("listen %1|%2").arg(id, on ? "true" : "false"));
    }
    void show(const QString& id) override { record(id, QStringLiteral("show %1").arg(id)); }
    void speak(const QString& id, const QString& text) override {
        record(id, QStringLiteral("speak %1|%2").arg(id, text));
    }
    void play(const QString& id, const QString& animation) override {
        record(id, QStringLiteral("play %1|%2").arg(id, animation));
    }
    void moveTo(const QString& id, int x, int y, std::optional<int> speed) override {
        record(id, QStringLiteral("moveTo %1|%2,%3").arg(id).arg(x).arg(y) +
                       (speed ? QStringLiteral(",%1").arg(*speed) : QString()));
    }
    void addCommand(const QString& id, const agent::CommandRegistration& command) override {
        record(id, QStringLiteral("add %1|%2").arg(id, command.name));
        if (m_loaded.contains(id))
            commands.append(command);
    }

private:
    void record(const QString& id, const QString& call) {
        (m_loaded.contains(id) ? calls : ignoredCalls).append(call);
    }
    QSet<QString> m_loaded;
};

} // namespace tk::test
