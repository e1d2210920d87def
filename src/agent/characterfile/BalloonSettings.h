#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace tk::agent::speech {

// How a character's word balloon looks, as its character file says.
struct BalloonSettings {
    QString fontFamily = QStringLiteral("Tahoma"); // a plain sans; fontconfig substitutes
    qreal fontPointSize = 10.0;
    QColor textColor = QColor(0x1c, 0x26, 0x26);       // near black
    QColor backgroundColor = QColor(0xff, 0xfa, 0xe6); // pale cream
    QColor borderColor = QColor(0x1f, 0x5f, 0x5b);     // dark teal
    int maxTextWidth = 260;                            // pixels of text per line, at most
    int maxLines = 5;                                  // lines shown at once; longer texts scroll
    int lingerMs = 1600; // how long the whole text stays after the speech
    int fadeMs = 350;    // how long it takes to fade away

    bool operator==(const BalloonSettings&) const = default;

    // The font for the balloon's text.
    QFont font() const {
        QFont f(fontFamily);
        f.setPointSizeF(fontPointSize > 0 ? fontPointSize : 10.0);
        f.setStyleHint(QFont::SansSerif);
        return f;
    }
};

} // namespace tk::agent::speech
