#include "agent/runtime/ListeningSettingsWindow.h"

#include "agent/listening/AudioInputs.h"
#include "agent/listening/InputLevelMeter.h"
#include "platform/desktop/RunKeeper.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tk::agent::listening {

namespace {
QPointer<ListeningSettingsWindow> g_window;
} // namespace

ListeningSettingsWindow* ListeningSettingsWindow::showFor(const ListeningSettings& settings) {
    if (!g_window) {
        g_window = new ListeningSettingsWindow(settings);
        if (RunKeeper* keeper = RunKeeper::current())
            keeper->track(g_window);
    }
    if (g_window->isMinimized())
        g_window->setWindowState(g_window->windowState() & ~Qt::WindowMinimized);
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

ListeningSettingsWindow* ListeningSettingsWindow::current() {
    return g_window;
}

ListeningSettingsWindow::ListeningSettingsWindow(const ListeningSettings& settings)
    : m_settings(settings), m_key(new QKeySequenceEdit(settings.key, this)),
      m_keyStatus(new QLabel(this)), m_always(new QCheckBox(this)),
      m_microphone(new QComboBox(this)), m_level(new QProgressBar(this)),
      m_inputs(new SystemAudioInputs(this)), m_meter(new InputLevelMeter(*m_inputs, this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Listening Settings"));
    setWindowIcon(QApplication::windowIcon());

    m_key->setObjectName(QStringLiteral("listeningKey"));
    auto* clear = new QPushButton(tr("No Key"), this);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_key, 1);
    keyRow->addWidget(clear);
    // Where the key works (or why not) is the status line's to say.
    auto* keyHint = new QLabel(
        tr("Hold the key while you speak, or tap it and Tovrin listens for a while."), this);
    keyHint->setWordWrap(true);
    m_keyStatus->setWordWrap(true);
    m_keyStatus->hide();

    m_always->setText(tr("Listen all the time"));
    m_always->setChecked(settings.alwaysListening);
    auto* alwaysHint = new QLabel(tr("Tovrin then acts only on what begins with its name, "
                                     "such as \u201CTovrin, how old are you?\u201D"),
                                  this);
    alwaysHint->setWordWrap(true);

    m_microphone->setObjectName(QStringLiteral("microphone"));
    m_level->setObjectName(QStringLiteral("inputLevel"));
    m_level->setRange(0, 100);
    m_level->setValue(0);
    m_level->setTextVisible(false);
    m_level->setMaximumHeight(fontMetrics().height() * 2 / 3);

    auto* form = new QFormLayout;
    form->addRow(tr("Listening key:"), keyRow);
    form->addRow(QString(), keyHint);
    form->addRow(QString(), m_keyStatus);
    form->addRow(QString(), m_always);
    form->addRow(QString(), alwaysHint);
    form->addRow(tr("Microphone:"), m_microphone);
    form->addRow(tr("Input level:"), m_level);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    // The wrapped hints take their height from the width: size the window again
    // now that the width is known, or they show cut off.
    adjustSize();

    fillMicrophones();
    connect(m_key, &QKeySequenceEdit::editingFinished, this, &ListeningSettingsWindow::takeKey);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_key->clear();
        takeKey();
    });
    connect(m_always, &QCheckBox::toggled, this, [this](bool on) {
        m_settings.alwaysListening = on;
        change();
    });
    connect(m_microphone, &QComboBox::activated, this, &ListeningSettingsWindow::chooseMicrophone);
    connect(m_inputs, &AudioInputs::changed, this, [this] {
        fillMicrophones();
        restartMeter();
    });
    connect(m_meter, &InputLevelMeter::level, this,
            [this](double value) { m_level->setValue(int(value * 100 + 0.5)); });
}

ListeningSettingsWindow::~ListeningSettingsWindow() = default;

void ListeningSettingsWindow::setKeyStatus(const QString& text, bool problem) {
    m_keyStatus->setText(text);
    m_keyStatus->setStyleSheet(problem ? QStringLiteral("color: #8a1c1c;") : QString());
    const bool grew = !text.isEmpty() && !m_keyStatus->isVisible();
    m_keyStatus->setVisible(!text.isEmpty());
    if (grew && isVisible())
        adjustSize(); // room for the status line below the key
}

QString ListeningSettingsWindow::keyStatus() const {
    return m_keyStatus->text();
}

void ListeningSettingsWindow::fillMicrophones() {
    m_microphone->clear();
    m_microphone->addItem(tr("System default"), QByteArray());
    int current = 0;
    for (const InputDevice& device : m_inputs->inputs()) {
        m_microphone->addItem(device.name, device.id);
        if (!m_settings.microphone.isEmpty() && device.id == m_settings.microphone)
            current = m_microphone->count() - 1;
    }
    if (!m_settings.microphone.isEmpty() && current == 0) {
        // The chosen microphone is away: it stays chosen and comes back when plugged in.
        const QString name = m_settings.microphoneName.isEmpty()
                                 ? QString::fromUtf8(m_settings.microphone)
                                 : m_settings.microphoneName;
        m_microphone->addItem(tr("%1 (not connected)").arg(name), m_settings.microphone);
        current = m_microphone->count() - 1;
    }
    m_microphone->setCurrentIndex(current);
}

void ListeningSettingsWindow::chooseMicrophone(int index) {
    const QByteArray id = m_microphone->itemData(index).toByteArray();
    if (id == m_settings.microphone)
        return;
    m_settings.microphone = id;
    m_settings.microphoneName = id.isEmpty() ? QString() : m_microphone->itemText(index);
    restartMeter();
    change();
}

void ListeningSettingsWindow::takeKey() {
    QKeySequence key = m_key->keySequence();
    // One combination only: the key is held, not typed as a sequence.
    if (!key.isEmpty())
        key = QKeySequence(key[0]);
    if (key != m_key->keySequence())
        m_key->setKeySequence(key);
    if (key == m_settings.key)
        return;
    m_settings.key = key;
    change();
}

void ListeningSettingsWindow::restartMeter() {
    if (!isVisible())
        return;
    const QList<InputDevice> inputs = m_inputs->inputs();
    const bool present =
        std::any_of(inputs.begin(), inputs.end(), [this](const InputDevice& input) {
            return m_settings.microphone.isEmpty() || input.id == m_settings.microphone;
        });
    if (!present) {
        m_meter->stop(); // no sound system yet, or the chosen one is away: nothing to show
        m_level->setValue(0);
        return;
    }
    m_meter->start(m_settings.microphone);
}

void ListeningSettingsWindow::change() {
    emit settingsChanged(m_settings);
}

void ListeningSettingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    restartMeter();
}

void ListeningSettingsWindow::hideEvent(QHideEvent* event) {
    m_meter->stop();
    QWidget::hideEvent(event);
}

} // namespace tk::agent::listening
