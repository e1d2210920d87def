#include "ChatPhrases.h"

#include <array>

namespace tk::ChatPhrases {

const QString kGeneralHeader = QStringLiteral("---GENERAL---");
const QString kGeneralHint = QStringLiteral("Please select an option from below... Hello!,Hey!...");
const QString kGeneralHintTitle = QStringLiteral("GENERAL");

const QString kNamesHeader = QStringLiteral("---NAMES---");
const QString kNamesHint =
    QStringLiteral("Please select an name option from below... Note please type in your name in a "
                   "box below this box if a box appears...");
const QString kNamesHintTitle = QStringLiteral("name");

const QString kNamePrompt = QStringLiteral("What's your name?");

namespace {

const std::array<NamePhrase, 5>& namePhrases() {
    static const std::array<NamePhrase, 5> phrases{{
        {QStringLiteral("Hey dude, my name is..."), QStringLiteral("name"),
         QStringLiteral("Hey dude, my name is ")},
        {QStringLiteral("What's up? My name is..."), QStringLiteral("name"),
         QStringLiteral("What's up? My name is ")},
        {QStringLiteral("Cool! Now you know, my name is..."), QStringLiteral("name"),
         QStringLiteral("Cool! Now you know, my name is ")},
        {QStringLiteral("Let me tell you, my name is..."), QStringLiteral("Name"),
         QStringLiteral("Let me tell you, my name is ")},
        {QStringLiteral("You wanna know about me? My name is..."), QStringLiteral("Name"),
         QStringLiteral("You wanna know about me? My name is ")},
    }};
    return phrases;
}

} // namespace

QStringList entries() {
    QStringList list{kGeneralHeader,
                     QStringLiteral("Hello!"),
                     QStringLiteral("Hey!"),
                     QStringLiteral("What's up?"),
                     QStringLiteral("Hello, friend."),
                     QStringLiteral("Hello, friend!"),
                     QStringLiteral("Are you my friend?"),
                     kNamesHeader};
    for (const NamePhrase& name : namePhrases())
        list.append(name.phrase);
    // Spoken as written: these ask no name.
    list.append(QStringLiteral("OK everybody! My name is..."));
    list.append(QStringLiteral("My name is..."));
    return list;
}

const NamePhrase* findNamePhrase(const QString& phrase) {
    for (const NamePhrase& name : namePhrases()) {
        if (name.phrase == phrase)
            return &name;
    }
    return nullptr;
}

} // namespace tk::ChatPhrases
