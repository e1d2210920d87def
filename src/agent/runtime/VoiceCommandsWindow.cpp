#include "agent/runtime/VoiceCommandsWindow.h"

#include "agent/listening/VoiceCommandList.h"
#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/RunKeeper.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tk::agent::listening {

namespace {
QPointer<VoiceCommandsWindow> g_window;
} // namespace

VoiceCommandsWindow* VoiceCommandsWindow::showFor(const QList<CommandRegistration>& registrations,
                                                  const QString& unavailableReason) {
    if (!g_window) {
        g_window = new VoiceCommandsWindow;
        if (RunKeeper* keeper = RunKeeper::current())
            keeper->track(g_window);
    }
    g_window->setCommands(registrations);
    g_window->setUnavailableReason(unavailableReason);
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

VoiceCommandsWindow* VoiceCommandsWindow::current() {
    return g_window;
}

VoiceCommandsWindow::VoiceCommandsWindow()
    : m_reason(new QLabel(this)), m_list(new QTreeWidget(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Voice Commands"));
    AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Window);
    setWindowIcon(QApplication::windowIcon());

    auto* intro = new QLabel(tr("While Tovrin is listening, say one of these phrases:"), this);
    intro->setWordWrap(true);
    m_reason->setWordWrap(true);
    m_reason->setStyleSheet(QStringLiteral("color: #8a1c1c;"));
    m_reason->hide();

    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setIndentation(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_reason);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);

    const QFontMetrics metrics(font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 52, metrics.height() * 30);
}

VoiceCommandsWindow::~VoiceCommandsWindow() = default;

void VoiceCommandsWindow::setCommands(const QList<CommandRegistration>& registrations) {
    m_list->clear();
    QFont titleFont = font();
    titleFont.setBold(true);
    for (const VoiceCommandGroup& group : voiceCommandGroups(registrations)) {
        auto* title = new QTreeWidgetItem(m_list);
        title->setText(0,
                       group.inMenu ? tr("%1  (also in the menu)").arg(group.title) : group.title);
        title->setFont(0, titleFont);
        for (const QString& phrase : group.phrases)
            new QTreeWidgetItem(title, {QStringLiteral("\u201C%1\u201D").arg(phrase)});
    }
    if (m_list->topLevelItemCount() == 0) {
        auto* none = new QTreeWidgetItem(m_list, {tr("No commands can be spoken yet.")});
        none->setDisabled(true);
    }
    m_list->expandAll();
}

void VoiceCommandsWindow::setUnavailableReason(const QString& reason) {
    m_reason->setText(reason);
    m_reason->setVisible(!reason.isEmpty());
}

} // namespace tk::agent::listening
