#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

namespace tk::agent::listening {

// The small tip beside the character while it listens ("Listening...",
// "Heard: ..."): a frameless window above the others that never takes the focus
// and lets the mouse through.
class ListeningTip final : public QWidget {
    Q_OBJECT
public:
    explicit ListeningTip(QWidget* parent = nullptr);

    // Shows text beside figure (a rectangle in screen coordinates): to its right
    // where the screen has room, otherwise to its left. hideAfterMs > 0 hides it
    // again after that time.
    void showText(const QString& text, const QRect& figure, int hideAfterMs = 0);
    QString text() const { return m_text; }
    // Keeps a shown tip beside figure as it moves (text and timing unchanged).
    void follow(const QRect& figure);
    // Whether it hides by itself soon (it shows a passing message).
    bool isPassing() const { return m_hide.isActive(); }

    static QString listeningText();
    // What to show for an utterance: the phrase heard, or that it was not understood.
    static QString heardText(const QString& phrase);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void placeBeside(const QRect& figure);

    QString m_text;
    QTimer m_hide;
};

} // namespace tk::agent::listening
