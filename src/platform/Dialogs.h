#pragma once

#include <QString>

namespace tk {

// Modal message and input boxes, a seam so that tests can answer them.
class Dialogs {
public:
    Dialogs() = default;
    virtual ~Dialogs() = default;
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    // Shows text with an OK button only and no icon; returns when dismissed.
    // An empty title gives the application title.
    virtual void message(const QString& text, const QString& title = {}) = 0;
    // Asks for a line of text; returns what was typed, or "" on Cancel.
    virtual QString input(const QString& prompt, const QString& title) = 0;
};

// The application title used by boxes without a title of their own.
QString applicationTitle();

// Dialogs shown with Qt widgets. A message is also written to standard error,
// where it stays readable after the box is gone (a terminal, the session log).
class QtDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString& title = {}) override;
    QString input(const QString& prompt, const QString& title) override;
};

} // namespace tk
