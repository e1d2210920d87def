#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace tk::agent::listening {

// The small tip beside the character while it listens ("Listening...",
// "Heard: ..."): a frameless window above the others that never takes the focus
// and lets the mouse through. It keeps clear of the program's own windows, the
// word balloon and an open pop-up menu where the screen has room, also when one
// of them appears or moves while the tip shows, and never hides the menu.
class ListeningTip final : public QWidget {
    Q_OBJECT
public:
    explicit ListeningTip(QWidget* parent = nullptr);

    // Shows text beside figure (a rectangle in screen coordinates): to its right,
    // else to its left, below or above it, wherever it covers nothing of the
    // program's. hideAfterMs > 0 hides it again after that time.
    void showText(const QString& text, const QRect& figure, int hideAfterMs = 0);
    QString text() const { return m_text; }
    // Keeps a shown tip beside figure as it moves (text and timing unchanged).
    void follow(const QRect& figure);
    // Whether it hides by itself soon (it shows a passing message).
    bool isPassing() const { return m_hide.isActive(); }

    // Where a tip of size goes: beside figure within area, clear of avoid (and
    // of the figure) where any spot is, else covering the least of them.
    static QRect placement(QSize size, const QRect& figure, const QRect& area,
                           const QList<QRect>& avoid);

    static QString listeningText();
    // Shown when Tovrin starts listening all the time.
    static QString alwaysListeningText();
    // What to show for an utterance: the phrase heard, or that it was not understood.
    static QString heardText(const QString& phrase);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Notices the program's other windows appearing or moving while it shows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBeside(const QRect& figure);
    void keepMenuOnTop();

    QString m_text;
    QRect m_figure;
    QTimer m_hide;
    QTimer m_replace; // one new placement for a burst of window changes
};

} // namespace tk::agent::listening
