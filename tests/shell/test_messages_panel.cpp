#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "common/text_file.h"
#include "shell/messages/message_panel.h"
#include "test_message_stations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {
using messagetest::kLocal;
using messagetest::stationTo;

// A panel listening on a free port, as after start-up.
std::unique_ptr<MessagePanel> listeningPanel()
{
    auto panel = std::make_unique<MessagePanel>(nullptr, 0);
    panel->service()->setTimeouts({30s, 600s, 0ms});
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

// Resident memory of this process in bytes.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4096 : 0;
}

// A peer that sends as fast as the loopback takes it, until `limit` bytes or
// `millis` have gone by or `stop` says so; the station's end runs meanwhile.
qint64 flood(QTcpSocket &peer, qint64 limit, int millis, const std::function<bool()> &stop = {})
{
    QByteArray line(78, 'z');
    line += "\r\n";
    const QByteArray chunk = line.repeated(800);
    qint64 sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (sent < limit && clock.elapsed() < millis && !(stop && stop())) {
        if (peer.bytesToWrite() < 4 * chunk.size()) {
            peer.write(chunk);
            sent += chunk.size();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return sent;
}

QList<QMessageBox *> openQuestions()
{
    QList<QMessageBox *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            out.append(box);
    return out;
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
    void floodKeepsMemoryBounded();
    void realQuestionsOpenOneAtATime();
    void aStationConnectingClearsTheConversation();
    void takenPortRetriedWhenPanelOpens();
    void aFloodOfQuestionsFromOnePeerLetsAnothersThrough();
    void aMessageAfterTheListenerClosedTheConnectionConnectsAnew();
    void aLongTextWithoutLineBreaksIsShownInItsLength();
    void questionsAreLimitedInAllAsWellAsPerAddress();
    void aMessageLostWithItsConnectionIsToldNotSent();
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
    // shown sent once it has left and the connection held
    QCOMPARE(conversation(b), QString());
    QTRY_COMPARE(b.Memo_Send_Message->toPlainText(), QString());
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
    QCOMPARE(panel->statusText(), QStringLiteral("Няма връзка: съобщението не е изпратено"));
    QCOMPARE(panel->Memo_Send_Message->toPlainText(), QStringLiteral("никой не слуша"));
    QVERIFY(conversation(*panel).isEmpty());

    // a connected station that neither wrote nor was chosen is not a target
    auto station = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->ListBox_Active_Users->count(), 1);
    type(*panel, QStringLiteral("никой не слуша"));
    QCOMPARE(panel->statusText(), QStringLiteral("Няма връзка: съобщението не е изпратено"));
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
    QTRY_COMPARE(panel->Memo_Send_Message->toPlainText(), QString());
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

    // While the question about a first message is open the same station
    // floods on: the flood joins that message up to the cap, and what did not
    // fit is told in one line, not one per network read.
    const int flood = MessageText::kMaxPendingPerConnection + 30000;
    int asked = 0;
    panel->askToReply = [&](const QString &text) -> bool {
        ++asked;
        station->write(QByteArray(flood, 'x'));
        QTest::qWaitFor([&] { return arrivedChars() >= 5 + flood; }, 10000);
        return Dialogs::yesNo(text);
    };
    PlatformScript::answer(true);
    station->write("first");
    QTRY_VERIFY(panel->isOpen());
    QCOMPARE(asked, 1);
    const QString text = conversation(*panel);
    QVERIFY(text.startsWith(QStringLiteral("first")));
    QCOMPARE(text.count(QLatin1Char('x')), MessageText::kMaxPendingPerConnection - 5);
    QCOMPARE(text.count(QStringLiteral("пропуснати")), 1);
    QVERIFY(text.endsWith(MessageText::droppedLine(30005, kLocal)));

    // the open conversation keeps only its newest text
    station->write(QByteArray(MessageText::kMaxConversation, 'y'));
    QTRY_VERIFY(arrivedChars() >= 5 + flood + MessageText::kMaxConversation);
    const QString capped = conversation(*panel);
    QVERIFY(capped.size() <= MessageText::kMaxConversation);
    QVERIFY(capped.startsWith(MessageText::olderTextRemovedLine()));
    QVERIFY(capped.endsWith(QLatin1Char('y')));
}

// A peer that never stops sending: the conversation keeps no undo history of
// what it appended and cut, so the program does not grow with the traffic.
void MessagePanelTest::floodKeepsMemoryBounded()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    PlatformScript::answer(QVariant());
    panel->openPanel();
    auto station = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->service()->stations().size(), 1);
    int arrivals = 0; // counted, not kept: a spy would hold all the traffic
    connect(panel->service(), &MessageService::received, this, [&] { ++arrivals; });

    flood(*station, 4 << 20, 3000); // warms the allocator up
    QTRY_VERIFY(arrivals > 0);
    arrivals = 0;
    const qint64 before = residentBytes();
    const qint64 sent = flood(*station, 48 << 20, 4000);
    QTest::qWait(100);
    const qint64 growth = residentBytes() - before;
    QVERIFY(sent >= 4 << 20);
    QVERIFY(arrivals > 10);
    QCOMPARE(panel->Memo_Recive_Message->document()->availableUndoSteps(), 0);
    QVERIFY(panel->Memo_Recive_Message->document()->characterCount() <= MessageText::kMaxConversation + 1);
    // The sanitizer holds freed memory back and shadows every byte: the
    // process's size says nothing there.
    QVERIFY2(growth < 40 << 20 || sanitizedBuild(), qPrintable(QStringLiteral("grew %1 MB on %2 MB sent")
                                                                   .arg(growth >> 20)
                                                                   .arg(sent >> 20)));

    // With the panel closed the flood waits behind one question and its
    // dropped text becomes one note.
    panel->closePanel();
    int asked = 0;
    panel->askToReply = [&](const QString &text) {
        ++asked;
        flood(*station, 8 << 20, 3000);
        QTest::qWait(50);
        return Dialogs::yesNo(text);
    };
    PlatformScript::answer(true);
    station->write("start");
    QTRY_VERIFY(panel->isOpen());
    QTest::qWait(50);
    QCOMPARE(asked, 1);
    QCOMPARE(conversation(*panel).count(QStringLiteral("пропуснати")), 1);
    QCOMPARE(panel->Memo_Recive_Message->document()->availableUndoSteps(), 0);
}

// The real question box under a flood that goes on after "Не": never two
// questions on the screen, the next one only after the answer, and no more
// than one peer may raise.
void MessagePanelTest::realQuestionsOpenOneAtATime()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    auto station = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->service()->stations().size(), 1);
    PlatformScript::deactivate();

    int mostOpen = 0;
    int answered = 0;
    int ticks = 0;
    bool flooding = true;
    QElapsedTimer clock;
    clock.start();
    QTimer driver;
    driver.setInterval(15);
    connect(&driver, &QTimer::timeout, this, [&] {
        const QList<QMessageBox *> open = openQuestions();
        mostOpen = qMax(mostOpen, int(open.size()));
        if (flooding && station->bytesToWrite() < 64 * 1024)
            station->write(QByteArray(4096, 'w'));
        // "Не" after a while, as a person would
        if (!open.isEmpty() && (++ticks % 4 == 0 || !flooding)) {
            open.first()->button(QMessageBox::No)->click();
            ++answered;
        }
    });
    driver.start();
    while (clock.elapsed() < 1500)
        QTest::qWait(20);
    flooding = false;
    QVERIFY(QTest::qWaitFor([&] { return openQuestions().isEmpty() && clock.elapsed() > 2000; }, 5000));
    driver.stop();
    PlatformScript::activate();

    QCOMPARE(mostOpen, 1);
    // One peer raises a few questions; the rest of its flood is in the panel.
    QVERIFY(answered >= 2 && answered <= MessageText::kMaxQuestionsPerMinute);
    QVERIFY(!panel->isOpen());
}

void MessagePanelTest::aStationConnectingClearsTheConversation()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    PlatformScript::answer(QVariant());
    panel->openPanel();
    auto s1 = stationTo(panel->service()->port());
    s1->write("S1:\r\nhello\r\n");
    QTRY_COMPARE(conversation(*panel), QStringLiteral("S1:\nhello"));
    auto s2 = stationTo(panel->service()->port());
    QTRY_COMPARE(panel->service()->stations().size(), 2);
    QCOMPARE(conversation(*panel), QString());
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

// A stranger floods with messages, each on a connection of its own: it holds
// a few places, a few questions a minute reach the cashier, the rest goes to
// the panel unasked with one note in the exception log, and another
// station's message is asked about next.
void MessagePanelTest::aFloodOfQuestionsFromOnePeerLetsAnothersThrough()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    panel->setQuestionWindow(3000ms);
    QStringList asked;
    panel->askToReply = [&](const QString &text) {
        asked << text;
        return false;
    };
    const QString stranger = QStringLiteral("127.0.0.2");
    std::vector<std::unique_ptr<QTcpSocket>> floods;
    auto floodOnce = [&](int n) {
        for (int i = 0; i < n; ++i) {
            floods.push_back(stationTo(panel->service()->port(), stranger));
            floods.back()->write("X:\r\nkup\r\n");
            QTest::qWait(20);
        }
    };
    floodOnce(12);
    auto real = stationTo(panel->service()->port());
    real->write("\xCA\xE0\xF1\xE0" "2:\r\n\xF5\xEB\xFF\xE1\r\n");
    QTRY_VERIFY(!asked.isEmpty() && asked.last().contains(QStringLiteral("Каса2:\nхляб")));
    QCOMPARE(asked.filter(QStringLiteral("kup")).size(), 3);
    QCOMPARE(panel->service()->stations().size(), MessageService::kMaxPlacesPerAddress + 1);
    QStringList log = TextFile::readLines(ExceptionLog::filePath());
    QCOMPARE(log.size(), 1);
    QVERIFY(log.at(0).contains(stranger));

    // A minute later the peer is heard again; its next flood is noted once more.
    floods.clear();
    QTRY_COMPARE(panel->service()->stations().size(), 1);
    QTest::qWait(3100);
    floodOnce(5);
    QTRY_COMPARE(asked.filter(QStringLiteral("kup")).size(), 6);
    QTest::qWait(100);
    QCOMPARE(asked.filter(QStringLiteral("kup")).size(), 6);
    log = TextFile::readLines(ExceptionLog::filePath());
    QCOMPARE(log.size(), 2);
}

// The listener closes a connection that stays silent; the station that opened
// it connects again when its operator sends, and the message arrives.
void MessagePanelTest::aMessageAfterTheListenerClosedTheConnectionConnectsAnew()
{
    TestProgram program(false);
    MessageService listener(0);
    listener.setTimeouts({300ms, 1000ms});
    QVERIFY(listener.startListening());
    MessagePanel a(nullptr, 0);
    a.service()->setTimeouts({30s, 600s, 0ms});
    a.service()->setPeerPort(listener.port());
    PlatformScript::answer(kLocal);
    a.openPanel();
    QTRY_COMPARE(listener.stations().size(), 1);
    QTRY_COMPARE(listener.stations().size(), 0);
    QTRY_VERIFY(!a.service()->clientConnected());

    QSignalSpy got(&listener, &MessageService::received);
    type(a, QStringLiteral("след пауза"));
    QTRY_COMPARE(got.size(), 1);
    QCOMPARE(got.at(0).at(0).toString(), QStringLiteral("Каса1:\r\nслед пауза\r\n"));
    QTRY_COMPARE(a.Memo_Send_Message->toPlainText(), QString());
    QCOMPARE(conversation(a), QStringLiteral("Каса1:\nслед пауза"));

    // Nobody listening any more: the text stays to be sent again.
    listener.setTimeouts({100ms, 100ms});
    QTRY_VERIFY(!a.service()->clientConnected());
    QTRY_COMPARE(listener.stations().size(), 0);
    a.service()->setPeerPort(1); // nothing listens there
    type(a, QStringLiteral("никой"));
    QTRY_COMPARE(a.statusText(), QStringLiteral("Няма връзка: съобщението не е изпратено"));
    QCOMPARE(a.Memo_Send_Message->toPlainText(), QStringLiteral("никой"));
    QCOMPARE(conversation(a), QStringLiteral("Каса1:\nслед пауза"));
}

// 10 MB in one line: the conversation shows its newest part, and laying it
// out takes time in proportion to the text, not to its square.
void MessagePanelTest::aLongTextWithoutLineBreaksIsShownInItsLength()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    PlatformScript::answer(QVariant());
    panel->openPanel();
    panel->resize(600, 400);
    panel->show();
    auto station = stationTo(panel->service()->port());
    station->write(QByteArray(10 << 20, 'q') + "END");
    QTRY_VERIFY_WITH_TIMEOUT(conversation(*panel).endsWith(QStringLiteral("qEND")), 20000);
    const QString text = conversation(*panel);
    QVERIFY(text.size() <= MessageText::kMaxConversation);
    QVERIFY(text.size() > MessageText::kMaxConversation / 2);
    QVERIFY(text.startsWith(MessageText::olderTextRemovedLine()));
    QCOMPARE(text.count(QLatin1Char('q')) + 3 + text.count(QLatin1Char('\n')) + MessageText::olderTextRemovedLine().size(),
             text.size());
}

// Many addresses, four messages each, while the panel is closed: a few
// questions in all, each address within its own limit; the other messages
// are in the panel, unasked.
void MessagePanelTest::questionsAreLimitedInAllAsWellAsPerAddress()
{
    TestProgram program(false);
    auto panel = listeningPanel();
    panel->service()->setTimeouts({1h, 1h, 0ms});
    panel->setQuestionWindow(1h);
    QStringList asked;
    panel->askToReply = [&](const QString &text) {
        asked << text;
        return false;
    };
    constexpr int Addresses = 8, Each = MessageService::kMaxPlacesPerAddress;
    std::vector<std::unique_ptr<QTcpSocket>> stations;
    for (int a = 0; a < Addresses; ++a)
        for (int m = 0; m < Each; ++m)
            stations.push_back(stationTo(panel->service()->port(), QStringLiteral("127.0.0.%1").arg(40 + a)));
    QTRY_COMPARE(panel->service()->stations().size(), Addresses * Each);
    QSignalSpy arrived(panel->service(), &MessageService::received);
    for (int i = 0; i < Addresses * Each; ++i)
        stations.at(i)->write(QStringLiteral("S%1:\r\nm%2\r\n").arg(i / Each).arg(i).toLatin1());
    QTRY_COMPARE(arrived.size(), Addresses * Each);
    const auto shown = [&] { return conversation(*panel).count(QLatin1Char('m')); };
    QTRY_COMPARE(asked.size() + shown(), Addresses * Each);
    QCOMPARE(asked.size(), MessageText::kMaxQuestionsPerMinuteInAll);
    for (int a = 0; a < Addresses; ++a)
        QVERIFY(asked.filter(QStringLiteral("S%1:").arg(a)).size() <= MessageText::kMaxQuestionsPerMinute);
    QVERIFY(!panel->isOpen());
    const QStringList log = TextFile::readLines(ExceptionLog::filePath());
    QCOMPARE(log.filter(MessageText::allQuestionsOverLimitNote()).size(), 1);
}

// The listener resets the connection as the message comes: it was not
// delivered, the panel says so, and the text stays to be sent again.
void MessagePanelTest::aMessageLostWithItsConnectionIsToldNotSent()
{
    TestProgram program(false);
    QTcpServer resetting;
    QVERIFY(resetting.listen(QHostAddress::Any, 0));
    connect(&resetting, &QTcpServer::newConnection, this, [&] {
        while (QTcpSocket *s = resetting.nextPendingConnection())
            connect(s, &QTcpSocket::readyRead, s, &QTcpSocket::abort);
    });
    MessagePanel a(nullptr, 0);
    a.service()->setTimeouts({1h, 1h, 1h});
    a.service()->setPeerPort(resetting.serverPort());
    PlatformScript::answer(kLocal);
    a.openPanel();
    QTRY_VERIFY(a.service()->clientConnected());
    type(a, QStringLiteral("изгубено"));
    QTRY_COMPARE(a.statusText(), QStringLiteral("Няма връзка: съобщението не е изпратено"));
    QCOMPARE(a.Memo_Send_Message->toPlainText(), QStringLiteral("изгубено"));
    QCOMPARE(conversation(a), QString());
}

VTEST(MessagePanelTest)
#include "test_messages_panel.moc"
