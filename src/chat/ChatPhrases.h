#pragma once

#include <QString>
#include <QStringList>

namespace tk::ChatPhrases {

// A phrase after which the user's name is asked and spoken.
struct NamePhrase {
    QString phrase;      // the entry as listed, ending in "..."
    QString inputTitle;  // title of the box that asks the name
    QString replyPrefix; // the spoken line before the name, trailing blank included
};

// The phrase box's entries, in the order the list shows them.
QStringList entries();

// The category header that introduces the general phrases, and its hint.
extern const QString kGeneralHeader;
extern const QString kGeneralHint;
extern const QString kGeneralHintTitle;

// The category header that introduces the name phrases, and its hint.
extern const QString kNamesHeader;
extern const QString kNamesHint;
extern const QString kNamesHintTitle;

// The prompt of the box that asks the user's name.
extern const QString kNamePrompt;

// The name phrase whose text is exactly phrase (case and blanks count), or null.
const NamePhrase* findNamePhrase(const QString& phrase);

} // namespace tk::ChatPhrases
