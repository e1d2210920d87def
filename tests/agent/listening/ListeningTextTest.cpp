#include "SpeechSamples.h"
#include "agent/listening/CommandGrammar.h"
#include "agent/listening/PhraseText.h"
#include "agent/listening/VoiceCommandList.h"

#include <QtTest>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;

class ListeningTextTest : public QObject {
    Q_OBJECT
private slots:
    void phraseWords_lowerCasesDropsPunctuationKeepsInnerApostrophes_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("question") << "How are you?" << QStringList{"how", "are", "you"};
        QTest::newRow("comma and name")
            << "what is your age, tovrin?" << QStringList{"what", "is", "your", "age", "tovrin"};
        QTest::newRow("apostrophes")
            << "what's your creator's name?" << QStringList{"what's", "your", "creator's", "name"};
        QTest::newRow("typographic apostrophe")
            << QString::fromUtf8("I\u2019m so tired") << QStringList{"i'm", "so", "tired"};
        QTest::newRow("quotes are not apostrophes")
            << "'hello' there'" << QStringList{"hello", "there"};
        QTest::newRow("digits stay") << "[f1]" << QStringList{"f1"};
        QTest::newRow("hyphen splits") << "e-mail me!!" << QStringList{"e", "mail", "me"};
        QTest::newRow("accents kept")
            << QString::fromUtf8("Caf\u00e9 NA\u00cfVE")
            << QStringList{QString::fromUtf8("caf\u00e9"), QString::fromUtf8("na\u00efve")};
        QTest::newRow("nothing to say") << " ?! -- " << QStringList{};
    }
    void phraseWords_lowerCasesDropsPunctuationKeepsInnerApostrophes() {
        QFETCH(QString, phrase);
        QFETCH(QStringList, words);
        QCOMPARE(phraseWords(phrase), words);
        QCOMPARE(spokenForm(phrase), words.join(' '));
    }

    void spokenVariants_expandContractionsButNotPossessives() {
        QCOMPARE(spokenVariants("What's your mother's name?"),
                 QStringList({"what's your mother's name", "what is your mother's name"}));
        QCOMPARE(spokenVariants(QString::fromUtf8("I\u2019m so tired, can't stop")),
                 QStringList({"i'm so tired can't stop", "i'm so tired cannot stop",
                              "i'm so tired can not stop", "i am so tired can't stop",
                              "i am so tired cannot stop", "i am so tired can not stop"}));
        QCOMPARE(spokenVariants("how old are you"), QStringList{"how old are you"});
        QCOMPARE(spokenVariants(" ?! "), QStringList{});
    }

    void grammar_mapsDecodedPhrasesBackToTheFirstCommandThatRegisteredThem() {
        const CommandGrammar grammar({{"hello", {"Hey!", "hey dude", "?!"}},
                                      {"other", {"hey", "how old are you"}},
                                      {"age", {"How old are you, Tovrin?"}},
                                      {"mother", {"Who's your mother?"}}},
                                     "Tovrin");
        // "?!" has no words; "hey" is taken; "who's" is also said "who is".
        QCOMPARE(grammar.phrases().size(), 6);
        QCOMPARE(grammar.phraseFor("hey")->command, QString("hello"));
        QCOMPARE(grammar.phraseFor("hey")->phrase, QString("Hey!"));
        QCOMPARE(grammar.phraseFor("how(2) old are you tovrin")->command, QString("age"));
        QVERIFY(!grammar.phraseFor("how old"));
        QVERIFY(!grammar.phraseFor(""));
        QVERIFY(grammar.continues("hey"));
        QVERIFY(grammar.continues("how old are you"));
        QVERIFY(!grammar.continues("hey dude"));
        // A pause after "hey" can end it sooner than one after "how old are you",
        // which another command's phrase continues.
        QVERIFY(!grammar.continuesIntoAnotherCommand("hey"));
        QVERIFY(grammar.continuesIntoAnotherCommand("how old are you"));
        QVERIFY(!grammar.continuesIntoAnotherCommand("who's your mother"));
        QCOMPARE(grammar.words(), QStringList({"are", "dude", "hey", "how", "is", "mother", "old",
                                               "please", "tovrin", "who", "who's", "you", "your"}));

        // The name may lead and "please" may follow any phrase; the menu's text
        // (the registered phrase) is what is reported.
        const GrammarPhrase* polite = grammar.phraseFor("tovrin who is your mother please");
        QVERIFY(polite);
        QCOMPARE(polite->command, QString("mother"));
        QCOMPARE(polite->phrase, QString("Who's your mother?"));
        QCOMPARE(grammar.phraseFor("tovrin how old are you tovrin")->command, QString("age"));
        QCOMPARE(grammar.phraseFor("how old are you please")->command, QString("other"));
        QVERIFY(grammar.addressed("tovrin(2) hey"));
        QVERIFY(!grammar.addressed("hey tovrin"));
        QVERIFY(!grammar.phraseFor("tovrin"));
        QVERIFY(grammar.isNameOnly("tovrin(2)"));
        QVERIFY(!grammar.isNameOnly("tovrin hey"));
        QVERIFY(!grammar.phraseFor("please hey"));

        const CommandGrammar withoutTovrin = grammar.without({"tovrin", "please"});
        QCOMPARE(withoutTovrin.phrases().size(), 5);
        QVERIFY(!withoutTovrin.phraseFor("how old are you tovrin"));
        QVERIFY(!withoutTovrin.phraseFor("tovrin hey"));
        QVERIFY(!withoutTovrin.addressed("tovrin hey"));
        QVERIFY(withoutTovrin.jsgf().contains("public <command> = ( hey\n    | hey dude\n    | "
                                              "how old are you\n    | who's your mother\n    | "
                                              "who is your mother ) ;"));
        const QByteArray jsgf = grammar.jsgf();
        QVERIFY(jsgf.startsWith("#JSGF V1.0;"));
        QVERIFY2(jsgf.contains("public <command> = [ tovrin ] ( hey\n") &&
                     jsgf.endsWith("who is your mother ) [ please ]\n    | tovrin ;\n"),
                 jsgf.constData());
    }

    void catalogue_everyEnabledVoiceCommandIsListedVoiceOnlyOnesUnderTheirFirstPhrase() {
        QList<CommandRegistration> registrations = test::tovrinCatalogue();
        registrations.append({"quiet", "Quiet", QString("[hush]"), false, true});
        const QList<VoiceCommand> commands = voiceCommandsOf(registrations);
        QCOMPARE(commands.size(), 12); // no separator, no disabled command
        QCOMPARE(commands.at(4).name, QString("rchat"));
        QCOMPARE(commands.at(4).phrases.size(), 8);

        const QList<VoiceCommandGroup> groups = voiceCommandGroups(registrations);
        QStringList titles;
        for (const VoiceCommandGroup& group : groups)
            titles.append(group.title);
        QCOMPARE(titles,
                 QStringList({"Hello", "Oh boy", "How are you?", "What's your name?", "Real Chat",
                              "Help", "Options", "Exit", "How old are you?", "Who's your mother?",
                              "Who's your father?", "Who's your author?"}));
        QVERIFY(groups.at(4).inMenu && !groups.at(0).inMenu);
        QCOMPARE(groups.at(11).phrases.size(), 15);
    }
};

QTEST_GUILESS_MAIN(ListeningTextTest)
#include "ListeningTextTest.moc"
