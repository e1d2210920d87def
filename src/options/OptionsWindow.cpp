#include "OptionsWindow.h"

#include "FontList.h"
#include "platform/core/AutostartEntry.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ProgramPaths.h"
#include "platform/desktop/WindowPlacement.h"
#include "settings/IntroSoundSetting.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

namespace tk {

namespace {

QPointer<OptionsWindow> g_open;

const QRect kClientArea = twipsRect(4500, 4665, 9225, 4680); // 615 x 312 at 300, 311

} // namespace

OptionsWindow* OptionsWindow::open(const ProgramContext& context) {
    OptionsWindow* window = g_open.data();
    if (!window) {
        window = new OptionsWindow(context);
        g_open = window;
        window->load();
        showTracked(window);
    }
    bringToFront(window);
    return window;
}

OptionsWindow* OptionsWindow::current() {
    return g_open.data();
}

OptionsWindow::OptionsWindow(const ProgramContext& context)
    : QWidget(nullptr, kToolWindowFlags), m_context(context) {
    setUpToolWindow(this, staticMetaObject, QStringLiteral("opti"), QStringLiteral("Options"),
                    QStringLiteral("Arial"));

    m_startUp = new QGroupBox(QStringLiteral("Start Up"), this);
    m_startUp->setObjectName(QStringLiteral("loadp"));
    m_startUp->setGeometry(twipsRect(0, 0, 3135, 975));

    m_playIntro = new QCheckBox(QStringLiteral("Play Intro Sound"), m_startUp);
    m_playIntro->setObjectName(QStringLiteral("play_intro"));
    m_playIntro->setGeometry(twipsRect(360, 360, 2535, 495));

    m_fonts = new QGroupBox(QStringLiteral("Fonts"), this);
    m_fonts->setObjectName(QStringLiteral("fonts_opti"));
    m_fonts->setGeometry(twipsRect(3240, 0, 5895, 975));

    m_proceed = new QPushButton(QStringLiteral("Proceed ----->"), this);
    m_proceed->setObjectName(QStringLiteral("proc"));
    m_proceed->setGeometry(twipsRect(2880, 3840, 3255, 615));
    // Not a default or cancel button: Enter and Escape do not press it.
    m_proceed->setAutoDefault(false);

    m_characters = new QGroupBox(QStringLiteral("Characters"), this);
    m_characters->setObjectName(QStringLiteral("Frame1"));
    m_characters->setGeometry(twipsRect(480, 1080, 8295, 2535));

    m_startAtLogin = new QCheckBox(QStringLiteral("Start Tovrin Kin when I log in"), m_characters);
    m_startAtLogin->setObjectName(QStringLiteral("start_at_login"));
    m_startAtLogin->setGeometry(twipsRect(360, 360, 5535, 495));
    m_startAtLogin->setVisible(!m_context.autostartEntry.isEmpty());

    // The list belongs to the window and lies in front of the "Fonts" box. It
    // shows one row at a time; the others are reached by scrolling.
    m_fontList = new QListWidget(this);
    m_fontList->setObjectName(QStringLiteral("List1"));
    m_fontList->setGeometry(twipsRect(4440, 360, 3855, 300));
    m_fontList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fontList->setSortingEnabled(false);
    m_fontList->setUniformItemSizes(true);
    m_fontList->setTextElideMode(Qt::ElideRight);
    m_fontList->raise();

    setTabOrder(m_playIntro, m_startAtLogin);
    setTabOrder(m_startAtLogin, m_proceed);
    setTabOrder(m_proceed, m_fontList);

    connect(m_proceed, &QPushButton::clicked, this, &OptionsWindow::proceedClicked);

    setGeometry(kClientArea);
    setFixedSize(kClientArea.size());
    keepOnSmallScreen(this);
}

OptionsWindow::~OptionsWindow() = default;

void OptionsWindow::load() {
    m_playIntro->setChecked(IntroSoundSetting::isOn(m_context.programDir));
    if (!m_context.autostartEntry.isEmpty())
        m_startAtLogin->setChecked(
            AutostartEntry(m_context.autostartEntry, m_context.autostartCommand).isOn());
    // All entries go in as one batch, so even a long list fills at once.
    m_fontList->addItems(
        FontList::read(programFile(m_context.programDir, FontList::kFileName), m_context.channels));
}

void OptionsWindow::proceedClicked() {
    Dialogs& dialogs = m_context.dialogs;
    const QString programDir = m_context.programDir;
    const bool on = m_playIntro->isChecked();
    if (!IntroSoundSetting::store(programDir, on)) {
        // Nothing was stored: say so, and keep the window so the user can retry.
        dialogs.message(QStringLiteral("The intro sound setting could not be saved in \"%1\".")
                            .arg(IntroSoundSetting::settingsPath(programDir)),
                        QStringLiteral("ERROR"));
        return;
    }
    if (!applyStartAtLogin())
        return; // told; the window stays for another try
    if (on)
        close();
    dialogs.message(QStringLiteral("Changes detected."));
}

bool OptionsWindow::applyStartAtLogin() {
    if (m_context.autostartEntry.isEmpty())
        return true;
    const AutostartEntry entry(m_context.autostartEntry, m_context.autostartCommand);
    const bool wanted = m_startAtLogin->isChecked();
    // Only a change is applied: an entry the user edited stays as it is.
    if (wanted == entry.isOn())
        return true;
    const Status applied = wanted ? entry.write() : entry.remove();
    if (applied.isOk())
        return true;
    m_context.dialogs.message(
        QStringLiteral("The start at login could not be %1 \"%2\": %3.")
            .arg(wanted ? QStringLiteral("set up in") : QStringLiteral("removed from"),
                 entry.path(), applied.message()),
        QStringLiteral("ERROR"));
    return false;
}

void OptionsWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (g_open == this)
        g_open = nullptr;
}

} // namespace tk
