#include "shell/messages/message_panel.h"

#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "app/app_state.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
const QString kPromptCaption = QStringLiteral("Свържи се с ");
const QString kPromptLabel = QStringLiteral("IP адрес:");
const QString NotSent = QStringLiteral("Няма връзка: съобщението не е изпратено");

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

MessagePanel::MessagePanel(QWidget *parent, quint16 port)
    : QWidget(parent)
    , m_service(new MessageService(port, this))
{
    setObjectName(QStringLiteral("Panel7"));
    askToReply = [this](const QString &text) { return Dialogs::yesNo(text, window()); };

    Memo_Recive_Message = new QPlainTextEdit(this);
    Memo_Recive_Message->setObjectName(QStringLiteral("Memo_Recive_Message"));
    Memo_Recive_Message->setReadOnly(true);
    // What a peer sends is appended and cut without end: an undo history of
    // it would grow the program for as long as the peer keeps sending.
    Memo_Recive_Message->setUndoRedoEnabled(false);
    Memo_Send_Message = new QPlainTextEdit(this);
    Memo_Send_Message->setObjectName(QStringLiteral("Memo_Send_Message"));
    Memo_Send_Message->setPlaceholderText(
        QStringLiteral("Enter изпраща съобщението, Shift+Enter започва нов ред"));
    Memo_Send_Message->setMaximumHeight(72);
    Memo_Send_Message->installEventFilter(this);
    ListBox_Active_Users = new QListWidget(this);
    ListBox_Active_Users->setObjectName(QStringLiteral("ListBox_Active_Users"));
    ListBox_Active_Users->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox_Active_Users->setMaximumWidth(190);
    ListBox_Active_Users->viewport()->installEventFilter(this);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1_Panel0 = caption(QString(), StatusBar1);
    StatusBar1_Panel0->setObjectName(QStringLiteral("StatusBar1_Panel0"));
    StatusBar1->addWidget(StatusBar1_Panel0, 1);
    // A long status never widens the main window past the screen: the panel
    // stands beside the working tabs and its status is cut where it does not fit.
    StatusBar1_Panel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMaximumWidth(420);

    auto *talk = new QVBoxLayout;
    talk->addWidget(caption(QStringLiteral("Разговор:"), this));
    talk->addWidget(Memo_Recive_Message, 1);
    talk->addWidget(caption(QStringLiteral("Съобщение:"), this));
    talk->addWidget(Memo_Send_Message);
    auto *users = new QVBoxLayout;
    users->addWidget(caption(QStringLiteral("Свързани станции:"), this));
    users->addWidget(ListBox_Active_Users, 1);
    auto *body = new QHBoxLayout;
    body->addLayout(talk, 1);
    body->addLayout(users);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(2);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar1);

    connect(m_service, &MessageService::statusChanged, StatusBar1_Panel0, &QLabel::setText);
    connect(m_service, &MessageService::stationsChanged, this, &MessagePanel::refreshStations);
    connect(m_service, &MessageService::note, this, &MessagePanel::addToConversation);
    connect(m_service, &MessageService::received, this, &MessagePanel::messageReceived);
    connect(m_service, &MessageService::delivered, this, [this] {
        // What was typed meanwhile stays in the box.
        if (Memo_Send_Message->toPlainText() == m_waitingTyped)
            Memo_Send_Message->clear();
        showSent(std::exchange(m_waitingMessage, {}));
    });
    connect(m_service, &MessageService::notDelivered, this, [this] {
        m_waitingMessage.clear();
        m_service->setStatus(NotSent);
    });
    m_clock.start();
    // A new conversation starts empty.
    connect(m_service, &MessageService::stationConnected, Memo_Recive_Message, &QPlainTextEdit::clear);
    StatusBar1_Panel0->setText(m_service->status());
    setVisible(false);
}

QString MessagePanel::statusText() const
{
    return StatusBar1_Panel0->text();
}

void MessagePanel::N_SendMessageClick()
{
    if (m_open)
        closePanel();
    else
        openPanel();
}

void MessagePanel::showPanel()
{
    m_open = true;
    setVisible(true);
    Memo_Send_Message->clear();
    Memo_Send_Message->setFocus();
    Q_EMIT visibilityChanged(true);
}

void MessagePanel::openPanel()
{
    showPanel();
    m_service->closeClient();
    QString host = m_service->MessageHost();
    if (Dialogs::inputText(kPromptCaption, kPromptLabel, &host, window())) {
        host = host.trimmed();
        if (!host.isEmpty())
            m_service->connectTo(host);
        // also retries a port that could not be bound at start-up
        if (m_service->startListening())
            m_service->setStatus(QStringLiteral("Listening..."));
    }
    refreshStations();
}

void MessagePanel::closePanel()
{
    m_open = false;
    setVisible(false);
    Q_EMIT visibilityChanged(false);
    refreshStations();
}

int MessagePanel::chosenStation() const
{
    const QList<QListWidgetItem *> selected = ListBox_Active_Users->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(Qt::UserRole).toInt();
}

void MessagePanel::refreshStations()
{
    const int chosen = chosenStation();
    ListBox_Active_Users->clear();
    for (const MessageService::Station &station : m_service->stations()) {
        auto *item = new QListWidgetItem(station.address, ListBox_Active_Users);
        item->setData(Qt::UserRole, station.connection);
        if (station.connection == chosen)
            item->setSelected(true);
    }
}

void MessagePanel::ListBox_Active_UsersClick(QListWidgetItem *item)
{
    QString host = item ? item->text() : QString();
    if (host.isEmpty()) {
        host = m_service->MessageHost();
        if (!Dialogs::inputText(kPromptCaption, kPromptLabel, &host, window()))
            return;
        host = host.trimmed();
        if (host.isEmpty())
            return;
    }
    m_service->connectTo(host);
}

bool MessagePanel::Memo_Send_MessageKeyDown(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (event->modifiers() & Qt::ShiftModifier)
        return false;
    sendMessage();
    return true;
}

void MessagePanel::sendMessage()
{
    const QString typed = Memo_Send_Message->toPlainText();
    if (typed.trimmed().isEmpty())
        return;
    const QString message = MessageText::compose(AppState::instance().currentOperator(), typed);
    // A message that was not sent must never look sent: it is shown sent
    // (and the box cleared) once delivered, else it stays to be sent again.
    switch (m_service->sendReply(chosenStation(), MessageText::encode(message))) {
    case MessageService::Sending::Sending:
        m_waitingMessage = message;
        m_waitingTyped = typed;
        break;
    case MessageService::Sending::Busy:
        m_service->setStatus(QStringLiteral("Предишното съобщение още се изпраща"));
        break;
    case MessageService::Sending::Failed:
        m_service->setStatus(NotSent);
        break;
    }
}

void MessagePanel::showSent(const QString &message)
{
    addToConversation(QString());
    addToConversation(MessageText::forDisplay(message));
}

void MessagePanel::addToConversation(const QString &text)
{
    Memo_Recive_Message->appendPlainText(text);
    QTextDocument *document = Memo_Recive_Message->document();
    if (document->characterCount() <= MessageText::kMaxConversation)
        return;
    // Cut the oldest text in place: laying the whole memo out anew is slow.
    const int cut = MessageText::conversationCut(Memo_Recive_Message->toPlainText());
    QTextCursor cursor(document);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.insertText(MessageText::olderTextRemovedLine() + QLatin1Char('\n'));
    QScrollBar *bar = Memo_Recive_Message->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void MessagePanel::messageReceived(const QString &text, int connection)
{
    QApplication::beep();
    if (m_open && !m_asking && m_queue.isEmpty()) {
        addToConversation(MessageText::forDisplay(text));
        return;
    }
    m_queue.enqueue({connection, m_service->addressOf(connection), text, 0});
    if (!m_asking)
        scheduleQuestion();
}

// The question is asked from the event loop, not from inside the socket's
// notification, so the sockets are read on while it is open.
void MessagePanel::scheduleQuestion()
{
    if (m_askScheduled)
        return;
    m_askScheduled = true;
    QMetaObject::invokeMethod(this, &MessagePanel::askQueued, Qt::QueuedConnection);
}

void MessagePanel::showArrival(const MessageQueue::Arrival &arrival)
{
    addToConversation(MessageText::forDisplay(arrival.text));
    if (arrival.dropped > 0)
        addToConversation(MessageText::droppedLine(arrival.dropped, arrival.address));
}

// One question at a time. The message asked about stays first in the queue
// while the question is open, so the rest of the same stream joins it instead
// of raising a question of its own; other messages wait their turn, and the
// next question is asked from the event loop once this one is answered.
void MessagePanel::askQueued()
{
    m_askScheduled = false;
    if (m_asking || m_queue.isEmpty())
        return;
    if (m_open) {
        for (const MessageQueue::Arrival &arrival : m_queue.takeAll())
            showArrival(arrival);
        return;
    }
    // A peer may raise a few questions a minute, and all peers together a
    // few more; the messages beyond go to the panel unasked.
    while (!m_queue.isEmpty()) {
        const QString address = m_queue.first().address;
        const auto verdict = m_questionLimit.admit(address, m_clock.elapsed(), m_questionWindow.count());
        if (verdict == QuestionLimit::Verdict::Ask)
            break;
        if (verdict == QuestionLimit::Verdict::ShowAndNotePeer)
            ExceptionLog::write(QStringLiteral("MessagePanel"), MessageText::questionsOverLimitNote(address));
        else if (verdict == QuestionLimit::Verdict::ShowAndNoteAll)
            ExceptionLog::write(QStringLiteral("MessagePanel"), MessageText::allQuestionsOverLimitNote());
        showArrival(m_queue.takeFirst());
    }
    if (m_queue.isEmpty())
        return;
    QPointer<MessagePanel> self(this);
    m_asking = true;
    bool reply = false;
    try {
        reply = askToReply(MessageText::question(m_queue.first().text));
    } catch (...) {
        if (self)
            m_asking = false;
        throw;
    }
    if (!self)
        return;
    m_asking = false;
    const MessageQueue::Arrival arrival = m_queue.takeFirst();
    if (reply) {
        showPanel();
        showArrival(arrival);
        refreshStations();
        for (const MessageQueue::Arrival &rest : m_queue.takeAll())
            showArrival(rest);
    } else if (!m_queue.isEmpty()) {
        scheduleQuestion();
    }
}

bool MessagePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Memo_Send_Message && event->type() == QEvent::KeyPress) {
        if (Memo_Send_MessageKeyDown(static_cast<QKeyEvent *>(event)))
            return true;
    } else if (watched == ListBox_Active_Users->viewport()
               && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            QListWidgetItem *item = ListBox_Active_Users->itemAt(mouse->position().toPoint());
            // a click beside the stations chooses none: replies go to the last sender
            if (!item)
                ListBox_Active_Users->clearSelection();
            ListBox_Active_UsersClick(item);
        }
    }
    return QWidget::eventFilter(watched, event);
}
