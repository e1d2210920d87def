#include "SplashWindow.h"

#include "StartupChecks.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/RunKeeper.h"
#include "platform/desktop/SoundPlayer.h"
#include "platform/desktop/WindowPlacement.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

namespace tk {

namespace {
constexpr int kHandOverMs = 2000;
const QRect kPictureArea(0, 0, twipsToPixels(9000), twipsToPixels(2250)); // 600 x 150

// The splash artwork, rendered once at the screen's pixel ratio.
QPixmap renderPicture(qreal pixelRatio) {
    QPixmap picture(kPictureArea.size() * pixelRatio);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QSvgRenderer(QStringLiteral(":/tovrin/splash.svg")).render(&painter);
    painter.end();
    picture.setDevicePixelRatio(pixelRatio);
    return picture;
}

} // namespace

SplashWindow* SplashWindow::open(const ProgramContext& context, std::unique_ptr<SoundPlayer> sound,
                                 HandOver openCheckFiles) {
    // The timer runs from the moment the window is created, as the hand-over
    // is due two seconds after creation whatever the opening work takes.
    auto* window = new SplashWindow(std::move(sound), std::move(openCheckFiles));
    const QString intro = StartupChecks::introSoundToPlay(context);
    if (!intro.isEmpty())
        window->m_sound->play(intro);
    if (StartupChecks::prepareCharacterFile(context) == StartupChecks::SplashVerdict::Stop) {
        delete window;
        return nullptr;
    }
    if (RunKeeper* keeper = RunKeeper::current())
        keeper->track(window);
    window->m_opening = false;
    window->show();
    // A tick that came while a message box of the opening work was up hands over
    // as soon as the event loop runs, so that the rest of the start (and its end)
    // happens inside it.
    if (window->m_handOverDue)
        QTimer::singleShot(0, window, &SplashWindow::handOver);
    return window;
}

SplashWindow::SplashWindow(std::unique_ptr<SoundPlayer> sound, HandOver openCheckFiles)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::SplashScreen), m_sound(std::move(sound)),
      m_openCheckFiles(std::move(openCheckFiles)), m_timer(new QTimer(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("splash_scr"));
    AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Window);
    setWindowTitle(QStringLiteral("Form1"));
    // Screen readers name the window after the program, not its inner title.
    setAccessibleName(QString::fromUtf8(identity::kProductName));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.75);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixels(9000), twipsToPixels(2280)); // 600 x 152
    move(twipsToPixels(4800), twipsToPixels(4905));
    keepOnScreen(this);
    m_picture = renderPicture(devicePixelRatioF());

    m_timer->setSingleShot(true);
    m_timer->setInterval(kHandOverMs);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::handOver);
    m_timer->start();
}

SplashWindow::~SplashWindow() = default;

void SplashWindow::handOver() {
    if (m_opening) {
        m_handOverDue = true;
        return;
    }
    if (m_handedOver)
        return;
    m_handedOver = true;
    m_timer->stop();
    m_sound.reset(); // the intro sound ends with the splash window
    // This window may be gone before the check window's opening work returns.
    const HandOver openCheckFiles = std::move(m_openCheckFiles);
    close();
    if (openCheckFiles)
        openCheckFiles();
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(kPictureArea, m_picture);
    // Line1, in front of the picture, along the top edge.
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.drawLine(0, 0, width(), 0);
}

void SplashWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        handOver();
}

} // namespace tk
