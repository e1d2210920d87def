#pragma once

#include "agent/AgentControl.h"

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
    agent::LoadResult nextLoadResult{true, {}};

    // Raises the Command event as a menu choice of name would.
    void raiseCommand(const QString& name);
    // The texts passed to speak, in order.
    QStringList spokenTexts() const;

    agent::LoadResult loadCharacter(const QString& id, const QString& path) override;
    void unloadCharacter(const QString& id) override;
    bool isLoaded(const QString& id) const override;
    void setLanguageId(const QString& id, int languageId) override;
    void listen(const QString& id, bool on) override;
    void show(const QString& id) override;
    void speak(const QString& id, const QString& text) override;
    void play(const QString& id, const QString& animation) override;
    void moveTo(const QString& id, int x, int y, std::optional<int> speed) override;
    void addCommand(const QString& id, const agent::CommandRegistration& command) override;

private:
    void record(const QString& id, const QString& call);
    QSet<QString> m_loaded;
};

} // namespace tk::test
