#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "platform/dialogs.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "shell/messages/message_panel.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {
const QString kLocal = QStringLiteral("127.0.0.1");

std::unique_ptr<QTcpSocket> stationTo(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(kLocal, port);
    if (!socket->waitForConnected(5000))
        qFatal("loopback connection failed");
    return socket;
}

// A panel listening on a free port, as after start-up.
std::unique_ptr<MessagePanel> listeningPanel()
{
    auto panel = std::make_unique<MessagePanel>(nullptr, 0);
    if (!panel->service()->startListening())
        qFatal("no free port");
    return panel;
}

void type(MessagePanel &panel, const QString &text)
{
    panel.Memo_Send_Message->setPlainText(text);
    QTest::keyClick(panel.Memo_Send_Message, Qt::Key_Return);
}

QString conversation(const MessagePanel &panel)
{
    return panel.Memo_Recive_Message->toPlainText();
}
} // namespace

class MessagePanelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { AppState::instance().setCurrentOperator(QStringLiteral("Каса1")); }
    void twoStationsTalk();
    void cancelledPromptLeavesListeningAsItWas();
    void arrivalWhilePanelClosedAsksYesOrNo();
    void questionsNeverStack();
    void sendingWithNoConnectionKeepsTheText();
    void replyGoesToTheChosenStation();
    void floodsAreCapped();
    void takenPortRetriedWhenPanelOpens();
};

void MessagePanelTest::twoStationsTalk()
{
    TestProgram program(false);
    auto a = listeningPanel();
    PlatformScript::answer(QVariant()); // a's prompt cancelled
    a->openPanel();
    MessagePanel b(nullptr, 0);
    b.service()->setPeerPort(a->service()->port());
    QSignalSpy checks(&b, &MessagePanel::visibilityChanged);
    PlatformScript::answer(kLocal);
    b.N_SendMessageClick();
    QVERIFY(b.isOpen());
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks.at(0).at(0).toBool(), true);
    QCOMPARE(PlatformScript::texts(QStringLiteral("input")).last(), QStringLiteral("IP адрес:"));
    QVERIFY(b.service()->isListening());
    QTRY_COMPARE(b.statusText(), QStringLiteral("Connected to: 127.0.0.1"));
    QTRY_COMPARE(a->ListBox_Active_Users->count(), 1);
    QCOMPARE(a->ListBox_Active_Users->item(0)->text(), kLocal);
    QTRY_COMPARE(a->statusText(), QStringLiteral("Connected to: 127.0.0.1"));

    // Shift+Enter starts a line, Enter sends
    b.Memo_Send_Message->setPlainText(QStringLiteral("ред 1"));
    b.Memo_Send_Message->moveCursor(QTextCursor::End);
    QTest::keyClick(b.Memo_Send_Message, Qt::Key_Return, Qt::ShiftModifier);
    b.Memo_Send_Message->insertPlainText(QStringLiteral("ред 2"));
    QCOMPARE(b.Memo_Send_Message->toPlainText(), QStringLiteral("ред 1\nред 2"));
    QTest::keyClick(b.Memo_Send_Message, Qt::Key_Return);
    QCOMPARE(b.Memo_Send_Message->toPlainText(), QString());
    QCOMPARE(conversation(b), QStringLiteral("Каса1:\nред 1\nред 2"));
    QTRY_VERIFY(conversation(*a).endsWith(QStringLiteral("Каса1:\nред 1\nред 2")));
    QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty()); // a's panel is open

    // a answers on the connection the message came on
    AppState::instance().setCurrentOperator(QStringLiteral("Склад"));
    type(*a, QStringLiteral("добре"));
    QTRY_VERIFY(conversation(b).endsWith(QStringLiteral("Склад:\nдобре")));

    // closing leaves the connections as they are
    b.N_SendMessageClick();
    QVERIFY(!b.isOpen());
    QCOMPARE(checks.last().at(0).toBool(), false);
    QVERIFY(b.service()->clientConnected());
}

void MessagePanelTest::cancelledPromptLeavesListeningAsItWas()
{
    TestProgram program(false);
    MessagePanel panel(nullptr, 0);
    QTcpServer peer;
    QVERIFY(peer.listen(QHostAddress::Any, 0));
    panel.service()->setPeerPort(peer.serverPort());
    panel.service()->connectTo(kLocal);
    QTRY_VERIFY(panel.service()->clientConnected());

    PlatformScript::answer(QVariant()); // cancel
    panel.openPanel();
    QVERIFY(panel.isOpen());
    QCOMPARE(panel.service()->clientConnection(), 0);
    QVERIFY(!panel.service()->isListening());
}

void MessagePanelTest::arrivalWhilePanelClosedAsksYesOrNo()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    auto station = stationTo(panel->service()->port());

    PlatformScript::answer(false);
    station->write("\xCA\xE0\xF1\xE0" "2:\r\n<b>\xE7\xE4\xF0\xE0\xE2\xE5\xE9</b>\r\n");
    QTRY_COMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 1);
    QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")).at(0),
             QStringLiteral("Изпращат ви следното съобщение:\nКаса2:\n<b>здравей</b>\n"
                            "Желаете ли да отговорите?"));
    QVERIFY(!panel->isOpen());
    QVERIFY(conversation(*panel).isEmpty());

    QSignalSpy checks(panel.get(), &MessagePanel::visibilityChanged);
    PlatformScript::answer(true);
    station->write("\xCA\xE0\xF1\xE0" "2:\r\n<i>\xEE\xF2\xED\xEE\xE2\xEE</i>\r\n");
    QTRY_COMPARE(PlatformScript::texts(QStringLiteral("yesNo")).size(), 2);
    QVERIFY(panel->isOpen());
    QCOMPARE(checks.size(), 1);
    QVERIFY(panel->Memo_Send_Message->toPlainText().isEmpty());
    // shown as typed, never as markup
    QCOMPARE(conversation(*panel), QStringLiteral("Каса2:\n<i>отново</i>"));
    QVERIFY(!conversation(*panel).contains(QStringLiteral("здравей")));
    QCOMPARE(panel->ListBox_Active_Users->count(), 1);

    // the reply goes back on that connection
    type(*panel, QStringLiteral("ок"));
    QTRY_VERIFY(station->bytesAvailable() >= QByteArray("\xCA\xE0\xF1\xE0" "1:\r\n\xEE\xEA\r\n").size());
    QCOMPARE(station->readAll(), QByteArray("\xCA\xE0\xF1\xE0" "1:\r\n\xEE\xEA\r\n"));
}

void MessagePanelTest::questionsNeverStack()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    auto s1 = stationTo(panel->service()->port());
    auto s2 = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->service()->stations().size(), 2);
    QSignalSpy arrived(panel->service(), &MessageService::received);

    // While the first question is open the second message arrives.
    int asked = 0;
    std::function<void()> duringFirst = [&] {
        s2->write("two\r\n");
        QVERIFY(QTest::qWaitFor([&] { return arrived.size() == 2; }, 5000));
    };
    panel->askToReply = [&](const QString &text) {
        if (++asked == 1)
            duringFirst();
        return Dialogs::yesNo(text);
    };
    PlatformScript::answer(false);
    PlatformScript::answer(true);
    s1->write("one\r\n");
    QTRY_COMPARE(asked, 2);
    QVERIFY(panel->isOpen());
    QCOMPARE(conversation(*panel), QStringLiteral("two"));

    // After a Yes, what waited goes to the panel unasked.
    panel->closePanel();
    asked = 0;
    duringFirst = [&] {
        s1->write("four\r\n");
        s2->write("five\r\n");
        QVERIFY(QTest::qWaitFor([&] { return arrived.size() == 5; }, 5000));
    };
    PlatformScript::answer(true);
    s2->write("three\r\n");
    QTRY_COMPARE(arrived.size(), 5);
    QTRY_VERIFY(panel->isOpen());
    QCOMPARE(asked, 1);
    const QString text = conversation(*panel);
    QVERIFY(text.endsWith(QStringLiteral("three\nfour\nfive")));
}

void MessagePanelTest::sendingWithNoConnectionKeepsTheText()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    PlatformScript::answer(QVariant());
    panel->openPanel();
    type(*panel, QStringLiteral("никой не слуша"));
    QCOMPARE(panel->statusText(), QStringLiteral("Няма връзка"));
    QCOMPARE(panel->Memo_Send_Message->toPlainText(), QStringLiteral("никой не слуша"));
    QVERIFY(conversation(*panel).isEmpty());

    // a connected station that neither wrote nor was chosen is not a target
    auto station = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->ListBox_Active_Users->count(), 1);
    type(*panel, QStringLiteral("никой не слуша"));
    QCOMPARE(panel->statusText(), QStringLiteral("Няма връзка"));
    QVERIFY(conversation(*panel).isEmpty());
    QTest::qWait(50);
    QCOMPARE(station->bytesAvailable(), 0);

    // an empty memo sends nothing
    panel->service()->setStatus(QString());
    type(*panel, QStringLiteral("  "));
    QCOMPARE(panel->statusText(), QString());
}

void MessagePanelTest::replyGoesToTheChosenStation()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    QTcpServer peer; // where a click connects the client
    QVERIFY(peer.listen(QHostAddress::Any, 0));
    panel->service()->setPeerPort(peer.serverPort());
    PlatformScript::answer(QVariant());
    panel->openPanel();
    auto s1 = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->ListBox_Active_Users->count(), 1);
    auto s2 = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->ListBox_Active_Users->count(), 2);

    s1->write("S1:\r\nhello\r\n");
    QTRY_VERIFY(conversation(*panel).contains(QStringLiteral("hello")));

    QListWidget *list = panel->ListBox_Active_Users;
    panel->resize(500, 300);
    panel->show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(panel->chosenStation(), panel->service()->stations().at(1).connection);
    QCOMPARE(panel->service()->MessageHost(), kLocal);
    QTRY_VERIFY(peer.hasPendingConnections()); // the click connected the client

    type(*panel, QStringLiteral("за втория"));
    QTRY_VERIFY(s2->bytesAvailable() > 0);
    QVERIFY(s2->readAll().endsWith("\r\n\xE7\xE0 \xE2\xF2\xEE\xF0\xE8\xFF\r\n"));
    QCOMPARE(s1->bytesAvailable(), 0);

    // a new station in the list keeps the choice
    auto s3 = stationTo(panel->service()->port());
    QTRY_COMPARE(list->count(), 3);
    QCOMPARE(panel->chosenStation(), panel->service()->stations().at(1).connection);

    // a click beside the stations chooses none (its prompt cancelled):
    // the reply goes to the last sender
    PlatformScript::answer(QVariant());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 3));
    QCOMPARE(panel->chosenStation(), 0);
    QCOMPARE(PlatformScript::texts(QStringLiteral("input")).size(), 2);
    type(*panel, QStringLiteral("за първия"));
    QTRY_VERIFY(s1->bytesAvailable() > 0);
    QTest::qWait(50);
    QCOMPARE(s2->bytesAvailable(), 0);
    QCOMPARE(s3->bytesAvailable(), 0);
}

void MessagePanelTest::floodsAreCapped()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    auto station = stationTo(panel->service()->port());
    QSignalSpy arrived(panel->service(), &MessageService::received);
    auto arrivedChars = [&] {
        qsizetype n = 0;
        for (const auto &args : arrived)
            n += args.at(0).toString().size();
        return n;
    };

    // while the question about a first message is open a flood comes in
    const int flood = MessageText::kMaxPendingPerConnection + 30000;
    int asked = 0;
    QString secondQuestion;
    panel->askToReply = [&](const QString &text) -> bool {
        if (++asked == 1) {
            station->write(QByteArray(flood, 'x'));
            QTest::qWaitFor([&] { return arrivedChars() >= 5 + flood; }, 10000);
        } else {
            secondQuestion = text;
        }
        return Dialogs::yesNo(text);
    };
    PlatformScript::answer(false);
    PlatformScript::answer(true);
    station->write("first");
    QTRY_COMPARE(asked, 2);
    QVERIFY(secondQuestion.size() < MessageText::kMaxQuestionExcerpt + 100);
    const QString text = conversation(*panel);
    QVERIFY(text.contains(QStringLiteral("пропуснати")));
    QCOMPARE(text.count(QLatin1Char('x')), MessageText::kMaxPendingPerConnection);

    // the open conversation keeps only its newest text
    station->write(QByteArray(MessageText::kMaxConversation, 'y'));
    QTRY_VERIFY(arrivedChars() >= 5 + flood + MessageText::kMaxConversation);
    const QString capped = conversation(*panel);
    QVERIFY(capped.size() <= MessageText::kMaxConversation);
    QVERIFY(capped.startsWith(MessageText::olderTextRemovedLine()));
    QVERIFY(capped.endsWith(QLatin1Char('y')));
}

void MessagePanelTest::takenPortRetriedWhenPanelOpens()
{
    TestProgram program(false);
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::Any, 0));
    MessagePanel panel(nullptr, other.serverPort());
    QVERIFY(!panel.service()->startListening()); // start-up goes on
    QVERIFY(panel.statusText().contains(QStringLiteral("зает")));

    other.close();
    PlatformScript::answer(QString()); // OK with no address
    panel.openPanel();
    QVERIFY(panel.service()->isListening());
    QCOMPARE(panel.statusText(), QStringLiteral("Listening..."));
    QCOMPARE(panel.service()->clientConnection(), 0);
}

VTEST(MessagePanelTest)
#include "test_messages_panel.moc"
