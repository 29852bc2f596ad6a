#pragma once
#include "shell/messages/message_service.h"
#include "shell/messages/message_text.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QStatusBar;

// The message panel the main window embeds (`Panel7`): the conversation,
// the text being typed, the stations connected to this one and a status
// line of its own. It owns the message service; the main window starts the
// listener at start-up and toggles the panel from "Изпрати съобщение...".
class MessagePanel : public QWidget
{
    Q_OBJECT
public:
    explicit MessagePanel(QWidget *parent = nullptr, quint16 port = MessageService::kPort);

    MessageService *service() const { return m_service; }

    QPlainTextEdit *Memo_Recive_Message;
    QPlainTextEdit *Memo_Send_Message;
    QListWidget *ListBox_Active_Users;
    QStatusBar *StatusBar1;
    QLabel *StatusBar1_Panel0;

    bool isOpen() const { return m_open; }
    QString statusText() const;

    // The menu item "Изпрати съобщение...": opens the panel when it is
    // closed, closes it when it is open.
    void N_SendMessageClick();
    void toggle() { N_SendMessageClick(); }
    void openPanel();
    void closePanel();

    // Enter sends, Shift+Enter starts a new line; true when handled.
    bool Memo_Send_MessageKeyDown(QKeyEvent *event);
    void sendMessage();
    // A click on a station (nullptr: on the empty part of the list).
    void ListBox_Active_UsersClick(QListWidgetItem *item);
    void refreshStations();
    // The station chosen in ListBox_Active_Users, 0 when none.
    int chosenStation() const;

    // The question for a message that arrives while the panel is closed.
    std::function<bool(const QString &)> askToReply;
    // The span in which the peers may raise a few questions (a minute; tests change it).
    void setQuestionWindow(std::chrono::milliseconds window) { m_questionWindow = window; }

Q_SIGNALS:
    // For the check mark of the menu item.
    void visibilityChanged(bool open);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void messageReceived(const QString &text, int connection);
    void askQueued();
    void showPanel();
    void addToConversation(const QString &text);
    void showArrival(const MessageQueue::Arrival &arrival);
    void scheduleQuestion();
    void showSent(const QString &message);

    MessageService *m_service;
    MessageQueue m_queue;
    bool m_open = false;
    bool m_asking = false;
    bool m_askScheduled = false;
    QuestionLimit m_questionLimit;
    QElapsedTimer m_clock;
    std::chrono::milliseconds m_questionWindow{60000};
    // A message that waits for its connection to open, and what was typed for it.
    QString m_waitingMessage;
    QString m_waitingTyped;
};
