// Shows the word balloon speaking beside a stand-in for the character's window
// (a plain rectangle that shows the mouth shape by name), for looking at the
// balloon during development:
//   tk_balloon_demo [--text T] [--at X,Y] [--move] [--backdrop] [--shots DIR] [--silent]
// --backdrop covers the screen with a plain light window first, so that any
// black box around the balloon would show.
// --shots saves a screenshot of the area around the stand-in at every word and
// after the speech, then quits once the balloon has faded.
#include "agent/runtime/WordBalloon.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "platform/desktop/Compositor.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

using namespace tk::agent;
using namespace tk::agent::speech;

namespace {

// The stand-in for the character: a teal rectangle with the mouth shape's name.
class StandIn : public QWidget {
public:
    StandIn() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setFixedSize(128, 160);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }
    void setMouth(const QString& mouth) {
        m_mouth = mouth;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x1f, 0x5f, 0x5b));
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(0, 20, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("stand-in"));
        p.drawText(rect(), Qt::AlignCenter, m_mouth);
    }

private:
    QString m_mouth = QStringLiteral("closed");
};

QString option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString text = option(args, "--text", "Nice to see you again, Sam");
    const QString shots = option(args, "--shots");
    const bool move = args.contains("--move");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QPoint at(screen.right() - 300, screen.bottom() - 220);
    if (const QStringList xy = option(args, "--at").split(','); xy.size() == 2)
        at = QPoint(xy[0].toInt(), xy[1].toInt());

    QWidget backdrop(nullptr, Qt::FramelessWindowHint);
    if (args.contains("--backdrop")) {
        backdrop.setStyleSheet("background: #9fb8c8;");
        backdrop.setGeometry(QGuiApplication::primaryScreen()->geometry());
        backdrop.show();
    }
    StandIn figure;
    figure.move(at);
    figure.show();
    std::printf("compositor: %s\n", tk::compositorRunning() ? "running (translucent balloon)"
                                                            : "none (masked balloon)");
    WordBalloon balloon;
    EspeakSpeechOutput output(nullptr, args.contains("--silent")
                                           ? EspeakSpeechOutput::Audio::Silent
                                           : EspeakSpeechOutput::Audio::DeviceWhenAvailable);
    static const char* const kShapes[] = {"closed", "open",  "wide",  "round",
                                          "pucker", "teeth", "tongue"};
    int shot = 0;
    const auto takeShot = [&](const QString& label) {
        if (shots.isEmpty())
            return;
        QTimer::singleShot(40, &app, [&, label] {
            const QString path = QDir(shots).filePath(
                QString("shot-%1-%2.png").arg(++shot, 2, 10, QChar('0')).arg(label));
            const QRect area = figure.frameGeometry()
                                   .adjusted(-300, -200, 300, 40)
                                   .intersected(QGuiApplication::primaryScreen()->geometry());
            QGuiApplication::primaryScreen()
                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                .save(path);
            std::printf("%s\n", qPrintable(path));
        });
    };
    QObject::connect(&output, &SpeechOutput::wordStarted, [&](int position, int length) {
        balloon.revealWord(position, length);
        if (move) {
            figure.move(figure.pos() + QPoint(-40, -25));
            balloon.setAnchor(figure.frameGeometry());
        }
        takeShot(text.mid(position, length).left(12).replace(QRegularExpression("\\W"), "_"));
    });
    QObject::connect(&output, &SpeechOutput::mouthChanged,
                     [&](MouthShape shape) { figure.setMouth(kShapes[static_cast<int>(shape)]); });
    QObject::connect(&output, &SpeechOutput::finished, [&] {
        balloon.finishSpeech();
        takeShot("finished");
        if (!shots.isEmpty()) {
            const int settle = balloon.settings().lingerMs + balloon.settings().fadeMs + 300;
            QTimer::singleShot(settle, &app, [&] {
                takeShot("faded");
                QTimer::singleShot(200, &app, &QApplication::quit);
            });
        }
    });
    QTimer::singleShot(300, &app, [&] {
        balloon.setAnchor(figure.frameGeometry());
        balloon.beginSpeech(text);
        output.speak(text, VoiceSettings{}, 1033);
    });
    return app.exec();
}
