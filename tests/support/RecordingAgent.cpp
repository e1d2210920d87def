#include "RecordingAgent.h"

namespace tk::test {

void RecordingAgent::raiseCommand(const QString& name) {
    agent::UserInput input;
    input.Name = name;
    emit Command(input);
}

QStringList RecordingAgent::spokenTexts() const {
    QStringList texts;
    for (const QString& call : calls) {
        if (call.startsWith(QLatin1String("speak ")))
            texts.append(call.section(QLatin1Char('|'), 1));
    }
    return texts;
}

agent::LoadResult RecordingAgent::loadCharacter(const QString& id, const QString& path) {
    calls.append(QStringLiteral("load %1|%2").arg(id, path));
    if (nextLoadResult.ok)
        m_loaded.insert(id);
    return nextLoadResult;
}

void RecordingAgent::unloadCharacter(const QString& id) {
    calls.append(QStringLiteral("unload %1").arg(id));
    m_loaded.remove(id);
}

bool RecordingAgent::isLoaded(const QString& id) const {
    return m_loaded.contains(id);
}

void RecordingAgent::setLanguageId(const QString& id, int languageId) {
    record(id, QStringLiteral("language %1|%2").arg(id).arg(languageId));
}

void RecordingAgent::listen(const QString& id, bool on) {
    record(id, QStringLiteral("listen %1|%2").arg(id, on ? "true" : "false"));
}

void RecordingAgent::show(const QString& id) {
    record(id, QStringLiteral("show %1").arg(id));
}

void RecordingAgent::speak(const QString& id, const QString& text) {
    record(id, QStringLiteral("speak %1|%2").arg(id, text));
}

void RecordingAgent::play(const QString& id, const QString& animation) {
    record(id, QStringLiteral("play %1|%2").arg(id, animation));
}

void RecordingAgent::moveTo(const QString& id, int x, int y, std::optional<int> speed) {
    QString call = QStringLiteral("moveTo %1|%2,%3").arg(id).arg(x).arg(y);
    if (speed)
        call += QStringLiteral(",%1").arg(*speed);
    record(id, call);
}

void RecordingAgent::addCommand(const QString& id, const agent::CommandRegistration& command) {
    record(id, QStringLiteral("add %1|%2").arg(id, command.name));
    if (m_loaded.contains(id))
        commands.append(command);
}

void RecordingAgent::record(const QString& id, const QString& call) {
    if (m_loaded.contains(id))
        calls.append(call);
    else
        ignoredCalls.append(call);
}

} // namespace tk::test
