#include "RecordingAgent.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/VoiceText.h"

#include <QtTest>

using namespace tk;
using namespace tk::agent;

class AgentApiTest : public QObject {
    Q_OBJECT
private slots:
    void voicePhrases_splitsBracketedPhrases() {
        QCOMPARE(voicePhrases("[How are you?][are you ok?]"),
                 QStringList({"How are you?", "are you ok?"}));
        QCOMPARE(voicePhrases("[what is your age, tovrin?]"),
                 QStringList{"what is your age, tovrin?"});
        QCOMPARE(voicePhrases("x[a] [ b ][][c"), QStringList({"a", "b"}));
        QCOMPARE(voicePhrases(""), QStringList{});
    }

    void handles_reachTheControlByIdentifierAndSurviveIt() {
        auto* agent = new test::RecordingAgent;
        AgentCharacters characters = agent->Characters();
        QVERIFY(characters.Load("Tovrin", "/p/tovrin.acs").isOk());
        AgentCharacter tovrin = characters.Character("Tovrin");
        tovrin.SetLanguageID(1033);
        tovrin.MoveTo(0, 150);
        characters.Item("Tovrin").Commands().Add("help", "Help", "[help]");
        characters.Item("Tovrin").Commands().Add("oop2s", "---");
        characters.Item("Tovrin").Commands().Add("hello", "Hello", "[hi]", std::nullopt, false);
        characters.Item("Other").Speak("nobody hears this");
        QCOMPARE(agent->calls, QStringList({"load Tovrin|/p/tovrin.acs", "language Tovrin|1033",
                                            "moveTo Tovrin|0,150", "add Tovrin|help",
                                            "add Tovrin|oop2s", "add Tovrin|hello"}));
        QCOMPARE(agent->ignoredCalls, QStringList{"speak Other|nobody hears this"});
        QVERIFY(agent->commands[0].voice && !agent->commands[0].visible);
        QVERIFY(!agent->commands[1].voice);
        QVERIFY(!agent->commands[2].enabled && agent->commands[2].visible == false);
        QVERIFY(agent->commands[2].isEnabled());

        characters.Unload("Tovrin");
        QVERIFY(!tovrin.isLoaded());
        tovrin.Speak("after unload");
        QCOMPARE(agent->ignoredCalls.last(), QString("speak Tovrin|after unload"));
        delete agent;
        tovrin.Speak("control gone"); // does nothing, never crashes
        QVERIFY(!tovrin.isLoaded());
    }
};

QTEST_GUILESS_MAIN(AgentApiTest)
#include "AgentApiTest.moc"
