#include "ChatWindow.h"

#include "ChatPhrases.h"
#include "ChatTurn.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/AgentControl.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/desktop/WindowPlacement.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initChatResources() {
    Q_INIT_RESOURCE(chat);
}

namespace tk {

namespace {

QPointer<ChatWindow> g_open;

// Client area on the screen when created (collapsed), and the whole window's
// size, frame included, after START.
const QRect kCollapsedClientArea = twipsRect(2355, 2415, 3720, 450);      // 248 x 30
const QSize kExpandedOuterSize(twipsToPixels(6500), twipsToPixels(3000)); // 433 x 200

const QSize kPictureSize(40, 40);

QPixmap renderPicture(qreal pixelRatio) {
    initChatResources();
    QPixmap picture(kPictureSize * pixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QSvgRenderer(QStringLiteral(":/chat/chat-picture.svg")).render(&painter);
    painter.end();
    picture.setDevicePixelRatio(pixelRatio);
    return picture;
}

} // namespace

ChatWindow* ChatWindow::open(const ProgramContext& context, agent::AgentControl* control) {
    ChatWindow* window = g_open.data();
    if (!window) {
        window = new ChatWindow(context, control);
        g_open = window;
        showTracked(window);
    } else if (!window->m_control) {
        window->m_control = control;
    }
    bringToFront(window);
    return window;
}

ChatWindow* ChatWindow::current() {
    return g_open.data();
}

ChatWindow::ChatWindow(const ProgramContext& context, agent::AgentControl* control)
    : QWidget(nullptr, kToolWindowFlags), m_context(context), m_control(control) {
    setUpToolWindow(this, staticMetaObject, QStringLiteral("rchatmain"),
                    QStringLiteral("Real Chat 1"), QStringLiteral("Tahoma"));

    // Created in tab order; the picture takes no focus.
    m_enableButton = new QPushButton(QStringLiteral("START"), this);
    m_enableButton->setObjectName(QStringLiteral("enable_button"));
    m_enableButton->setGeometry(twipsRect(840, 0, 2055, 375));
    QPalette yellow = m_enableButton->palette();
    yellow.setColor(QPalette::Button, QColor(255, 255, 0));
    yellow.setColor(QPalette::ButtonText, Qt::black);
    m_enableButton->setPalette(yellow);

    m_phraseBox = new QComboBox(this);
    m_phraseBox->setObjectName(QStringLiteral("tovrin_say"));
    m_phraseBox->setGeometry(twipsRect(240, 720, 3855, 360));
    m_phraseBox->setEditable(true);
    // The box only holds text: Enter adds nothing to the list, and typed text is
    // never completed or re-cased from the entries.
    m_phraseBox->setInsertPolicy(QComboBox::NoInsert);
    m_phraseBox->setCompleter(nullptr);
    m_phraseBox->setMaxVisibleItems(15);
    m_phraseBox->hide();
    // Screen readers here read a combo box's text as its name: what it is for
    // goes into the description, and names its edit field.
    m_phraseBox->setAccessibleName(QStringLiteral("Phrase for Tovrin to say"));
    m_phraseBox->setAccessibleDescription(QStringLiteral("Phrase for Tovrin to say"));
    m_phraseBox->lineEdit()->setAccessibleName(QStringLiteral("Phrase for Tovrin to say"));

    m_submitSay = new QPushButton(QStringLiteral("Say it!"), this);
    m_submitSay->setObjectName(QStringLiteral("submit_say"));
    m_submitSay->setGeometry(twipsRect(4200, 720, 1935, 375));
    m_submitSay->hide();

    m_theName = new QLineEdit(QStringLiteral("Your name..."), this);
    m_theName->setObjectName(QStringLiteral("thename"));
    m_theName->setGeometry(twipsRect(1080, 1200, 4335, 360));
    m_theName->hide();
    m_theName->setAccessibleName(QStringLiteral("Your name"));

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    m_picture->setPixmap(renderPicture(devicePixelRatioF()));
    m_picture->setAccessibleName(QStringLiteral("Tovrin waving hello"));

    setTabOrder(m_enableButton, m_phraseBox);
    setTabOrder(m_phraseBox, m_submitSay);
    setTabOrder(m_submitSay, m_theName);
    // Neither button is a default or cancel button: Enter and Escape start nothing.
    m_enableButton->setAutoDefault(false);
    m_submitSay->setAutoDefault(false);

    connect(m_enableButton, &QPushButton::clicked, this, &ChatWindow::enableButtonClicked);
    connect(m_submitSay, &QPushButton::clicked, this, &ChatWindow::submitSayClicked);

    // Opening: the list filled once, in order, with the stored text shown and
    // no entry chosen.
    m_phraseBox->addItems(ChatPhrases::entries());
    // Screen readers hear the category headers as headings, not as dashes.
    for (const auto& [header, spoken] :
         {std::pair{ChatPhrases::kGeneralHeader, QStringLiteral("General, section heading")},
          std::pair{ChatPhrases::kNamesHeader, QStringLiteral("Names, section heading")}}) {
        const int row = m_phraseBox->findText(header, Qt::MatchExactly);
        if (row >= 0)
            m_phraseBox->setItemData(row, spoken, Qt::AccessibleTextRole);
    }
    m_phraseBox->setCurrentIndex(-1);
    m_phraseBox->setEditText(QStringLiteral("Type something..."));
    // The drop-down list may be wider than the box, so no entry is cut short.
    int widest = 0;
    for (int i = 0; i < m_phraseBox->count(); ++i)
        widest = std::max(widest,
                          m_phraseBox->fontMetrics().horizontalAdvance(m_phraseBox->itemText(i)));
    m_phraseBox->view()->setMinimumWidth(widest +
                                         2 * m_phraseBox->fontMetrics().averageCharWidth() +
                                         m_phraseBox->view()->frameWidth() * 2);

    setGeometry(kCollapsedClientArea);
    setFixedSize(kCollapsedClientArea.size());
    keepOnSmallScreen(this);
}

ChatWindow::~ChatWindow() = default;

void ChatWindow::enableButtonClicked() {
    m_enableButton->hide();
    m_enableButton->setEnabled(false);
    // The size is the whole window's: what the frame takes is left off the
    // client area. Before the window manager has told its frame (or with none)
    // the frame counts as nothing.
    const QSize frame = frameGeometry().size() - geometry().size();
    setFixedSize(kExpandedOuterSize - frame);
    keepOnSmallScreen(this);
    m_phraseBox->show();
    m_submitSay->show();
}

void ChatWindow::submitSayClicked() {
    const QString phrase = m_phraseBox->currentText();
    if (ChatTurn::kindOf(phrase) == ChatTurn::Kind::FreePhrase)
        m_theName->hide();
    ChatTurn::run(m_context, m_control.data(), phrase);
}

void ChatWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_closed)
        return;
    m_closed = true;
    if (g_open == this)
        g_open = nullptr;
    // The character goes back to the top-left corner; one that is no longer
    // loaded (the program's Exit came first) is left alone.
    agent::AgentCharacter character =
        agent::AgentCharacters(m_control.data()).Item(identity::characterId());
    if (character.isLoaded())
        character.MoveTo(0, 0);
}

} // namespace tk
