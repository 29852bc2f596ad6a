#include "harness/test_registry.h"

#include "shell/messages/message_service.h"
#include "shell/messages/message_text.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

using namespace std::chrono_literals;

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

QTcpSocket *acceptOne(QTcpServer &server)
{
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000))
        return nullptr;
    return server.nextPendingConnection();
}
} // namespace

class MessageServiceTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wireFormIsNameColonAndCrLfLinesIn1251();
    void composeEdgeCases();
    void disconnectClosesOnlyThatStation();
    void replyRoutingRules();
    void refusesStationsBeyondTheCap();
    void silentStrangersLoseTheirPlaces();
    void aStationThatFallsSilentIsClosed();
    void queueAndConversationCaps();
    void takenPortIsReportedAndRetried();
    void clientFailureOnlySetsStatus();
};

void MessageServiceTest::wireFormIsNameColonAndCrLfLinesIn1251()
{
    QTcpServer peer;
    QVERIFY(peer.listen(QHostAddress::Any, 0));
    MessageService service(0);
    service.setPeerPort(peer.serverPort());
    service.connectTo(kLocal);
    QTcpSocket *far = acceptOne(peer);
    QVERIFY(far);
    QTRY_VERIFY(service.clientConnected());
    QTRY_COMPARE(service.status(), QStringLiteral("Connected to: 127.0.0.1"));

    const QString message = MessageText::compose(QStringLiteral("Каса1"), QStringLiteral("ред 1\nред 2"));
    QVERIFY(service.send(service.clientConnection(), MessageText::encode(message)));
    const QByteArray expected("\xCA\xE0\xF1\xE0" "1:\r\n\xF0\xE5\xE4 1\r\n\xF0\xE5\xE4 2\r\n");
    QByteArray got;
    QTRY_VERIFY((got += far->readAll()).size() >= expected.size());
    QCOMPARE(got, expected);

    // and what a peer sends in code page 1251 arrives as text
    QSignalSpy spy(&service, &MessageService::received);
    far->write(expected);
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Каса1:\r\nред 1\r\nред 2\r\n"));
    QCOMPARE(spy.at(0).at(1).toInt(), service.clientConnection());
    QCOMPARE(service.lastSource(), service.clientConnection());
}

void MessageServiceTest::composeEdgeCases()
{
    QCOMPARE(MessageText::compose(QStringLiteral("Иван"), QStringLiteral("а\n")),
             QStringLiteral("Иван:\r\nа\r\n"));
    QCOMPARE(MessageText::compose(QStringLiteral("Иван"), QStringLiteral("а\n\nб")),
             QStringLiteral("Иван:\r\nа\r\n\r\nб\r\n"));
    QCOMPARE(MessageText::compose(QString(), QStringLiteral("x")), QStringLiteral(":\r\nx\r\n"));
    // a character outside the code page cannot break the message
    QCOMPARE(MessageText::encode(QStringLiteral("€✓")), QByteArray("\x88?"));
    QCOMPARE(MessageText::forDisplay(QStringLiteral("a\r\nb\rc\r\n")), QStringLiteral("a\nb\nc"));
    QCOMPARE(MessageText::question(QStringLiteral("Каса2:\r\n<b>x</b>\r\n")),
             QStringLiteral("Изпращат ви следното съобщение:\nКаса2:\n<b>x</b>\n"
                            "Желаете ли да отговорите?"));
    const QString longQuestion = MessageText::question(QString(10000, QLatin1Char('x')));
    QVERIFY(longQuestion.size() < MessageText::kMaxQuestionExcerpt + 100);
}

void MessageServiceTest::disconnectClosesOnlyThatStation()
{
    MessageService service(0);
    QVERIFY(service.startListening());
    QVERIFY(!service.PeerConnected());
    auto a = stationTo(service.port());
    auto b = stationTo(service.port());
    QTRY_COMPARE(service.stations().size(), 2);
    QVERIFY(service.PeerConnected());

    a->disconnectFromHost();
    QTRY_COMPARE(service.stations().size(), 1);
    QVERIFY(service.isListening());
    QVERIFY(service.PeerConnected());

    QSignalSpy spy(&service, &MessageService::received);
    b->write("B:\r\nhi\r\n");
    QTRY_COMPARE(spy.size(), 1);
    auto c = stationTo(service.port());
    QTRY_COMPARE(service.stations().size(), 2);
    c->write("C:\r\nhi\r\n");
    QTRY_COMPARE(spy.size(), 2);

    b->disconnectFromHost();
    c->disconnectFromHost();
    QTRY_COMPARE(service.stations().size(), 0);
    QVERIFY(!service.PeerConnected());
    QVERIFY(service.isListening());
}

void MessageServiceTest::replyRoutingRules()
{
    MessageService service(0);
    QVERIFY(service.startListening());
    auto s1 = stationTo(service.port());
    QTRY_COMPARE(service.stations().size(), 1);
    auto s2 = stationTo(service.port());
    QTRY_COMPARE(service.stations().size(), 2);
    const int id1 = service.stations().at(0).connection;
    const int id2 = service.stations().at(1).connection;

    // stations connected but none chosen and nothing received: no target
    QCOMPARE(service.replyTarget(0), 0);
    QVERIFY(!service.send(0, "x"));

    QSignalSpy spy(&service, &MessageService::received);
    s2->write("S2:\r\n?\r\n");
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(service.replyTarget(0), id2);
    QVERIFY(service.send(service.replyTarget(0), "to-s2"));
    QTRY_VERIFY(s2->bytesAvailable() >= QByteArray("to-s2").size());
    QCOMPARE(s2->readAll(), QByteArray("to-s2"));
    QTest::qWait(50);
    QCOMPARE(s1->bytesAvailable(), 0);

    // the chosen station wins over the last sender
    QCOMPARE(service.replyTarget(id1), id1);

    // a client connection serves when the stations are gone
    QTcpServer peer;
    QVERIFY(peer.listen(QHostAddress::Any, 0));
    service.setPeerPort(peer.serverPort());
    service.connectTo(kLocal);
    QTcpSocket *far = acceptOne(peer);
    QVERIFY(far);
    QTRY_VERIFY(service.clientConnected());

    s1->disconnectFromHost();
    QTRY_COMPARE(service.stations().size(), 1);
    QCOMPARE(service.replyTarget(id1), id2); // chosen one gone: the last sender
    s2->disconnectFromHost();
    QTRY_COMPARE(service.stations().size(), 0);
    QCOMPARE(service.replyTarget(id1), service.clientConnection());
    QVERIFY(service.send(service.replyTarget(0), "to-client"));
    QTRY_VERIFY(far->bytesAvailable() >= QByteArray("to-client").size());
    QCOMPARE(far->readAll(), QByteArray("to-client"));

    service.closeClient();
    QCOMPARE(service.replyTarget(0), 0);
}

void MessageServiceTest::refusesStationsBeyondTheCap()
{
    MessageService service(0);
    QVERIFY(service.startListening());
    QSignalSpy notes(&service, &MessageService::note);
    std::vector<std::unique_ptr<QTcpSocket>> stations;
    for (int i = 0; i <= MessageService::kMaxStations; ++i)
        stations.push_back(stationTo(service.port()));
    QTRY_COMPARE(notes.size(), 1);
    QVERIFY(notes.at(0).at(0).toString().contains(QStringLiteral("твърде много")));
    QCOMPARE(service.stations().size(), MessageService::kMaxStations);
    QTRY_VERIFY(stations.back()->state() == QAbstractSocket::UnconnectedState);
    // a place freed is taken again
    stations.front()->disconnectFromHost();
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxStations - 1);
    auto again = stationTo(service.port());
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxStations);
    QCOMPARE(notes.size(), 1);
}

void MessageServiceTest::silentStrangersLoseTheirPlaces()
{
    MessageService service(0);
    service.setTimeouts({1500ms, 3000ms});
    QVERIFY(service.startListening());
    std::vector<std::unique_ptr<QTcpSocket>> strangers;
    for (int i = 0; i < 40; ++i)
        strangers.push_back(stationTo(service.port()));
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxStations);
    // Not one byte from any of them: every place is free again.
    QTRY_COMPARE_WITH_TIMEOUT(service.stations().size(), 0, 10000);
    for (const auto &s : strangers)
        QTRY_COMPARE(s->state(), QAbstractSocket::UnconnectedState);

    // A real workstation connects and its message arrives.
    MessageService station(0);
    station.setPeerPort(service.port());
    station.connectTo(kLocal);
    QTRY_VERIFY(station.clientConnected());
    QSignalSpy spy(&service, &MessageService::received);
    const QString message = MessageText::compose(QStringLiteral("Каса2"), QStringLiteral("има ли хляб"));
    QVERIFY(station.send(station.clientConnection(), MessageText::encode(message)));
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), message);
    QCOMPARE(service.stations().size(), 1);
}

void MessageServiceTest::aStationThatFallsSilentIsClosed()
{
    MessageService service(0);
    service.setTimeouts({2000ms, 1500ms});
    QVERIFY(service.startListening());
    auto talker = stationTo(service.port());
    auto quiet = stationTo(service.port());
    QTRY_COMPARE(service.stations().size(), 2);
    QSignalSpy spy(&service, &MessageService::received);
    quiet->write("Q:\r\nсамо веднъж\r\n");
    // Each byte starts the idle time anew: the talker stays, the quiet one goes.
    for (int i = 0; i < 15; ++i) {
        talker->write("t");
        QTest::qWait(200);
    }
    QCOMPARE(service.stations().size(), 1);
    QCOMPARE(quiet->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(talker->state(), QAbstractSocket::ConnectedState);
    QTRY_COMPARE(service.stations().size(), 0);
}

void MessageServiceTest::queueAndConversationCaps()
{
    MessageQueue queue(10);
    QCOMPARE(queue.enqueue({1, kLocal, QStringLiteral("abcdef")}), 0);
    QCOMPARE(queue.enqueue({1, kLocal, QStringLiteral("ghijkl")}), 2);
    QCOMPARE(queue.size(), 1); // one connection's chunks in a row are one message
    QCOMPARE(queue.enqueue({2, kLocal, QStringLiteral("123")}), 0);
    QCOMPARE(queue.enqueue({1, kLocal, QStringLiteral("zz")}), 2); // full: all dropped
    QCOMPARE(queue.pendingFor(1), 10);
    QCOMPARE(queue.size(), 2);
    // what was dropped is counted on the message it belongs to, for one note
    const MessageQueue::Arrival first = queue.takeFirst();
    QCOMPARE(first.text, QStringLiteral("abcdefghij"));
    QCOMPARE(first.dropped, 4);
    QCOMPARE(queue.pendingFor(1), 0);
    QCOMPARE(queue.takeAll().size(), 1);
    QVERIFY(queue.isEmpty());

    // One peer on ever new connections holds four connections' worth at most.
    const QString stranger = QStringLiteral("10.0.0.9");
    int dropped = 0;
    for (int c = 10; c < 20; ++c)
        dropped += queue.enqueue({c, stranger, QStringLiteral("1234567")});
    QCOMPARE(queue.pendingFrom(stranger), 40);
    QCOMPARE(dropped, 70 - 40);
    QCOMPARE(queue.enqueue({30, kLocal, QStringLiteral("ok")}), 0);
    int counted = 0;
    for (const MessageQueue::Arrival &a : queue.takeAll())
        counted += a.dropped;
    QCOMPARE(counted, 30);

    QString conversation;
    for (int i = 0; i < 100; ++i)
        conversation += QStringLiteral("line %1\n").arg(i);
    QCOMPARE(MessageText::capConversation(conversation, 100000), conversation);
    const QString cut = MessageText::capConversation(conversation, 200);
    QVERIFY(cut.size() <= 200);
    QVERIFY(cut.startsWith(MessageText::olderTextRemovedLine() + QLatin1Char('\n')));
    QVERIFY(cut.endsWith(QStringLiteral("line 99\n")));
    const QStringList lines = cut.split(QLatin1Char('\n'));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("line "))); // whole lines only
}

void MessageServiceTest::takenPortIsReportedAndRetried()
{
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::Any, 0));
    const quint16 port = other.serverPort();
    MessageService service(port);
    QVERIFY(!service.startListening());
    QVERIFY(!service.isListening());
    QVERIFY(service.status().contains(QStringLiteral("зает")));

    other.close();
    QVERIFY(service.startListening());
    QCOMPARE(service.status(), QStringLiteral("Listening..."));
    QCOMPARE(service.port(), port);
    QSignalSpy spy(&service, &MessageService::statusChanged);
    QVERIFY(service.startListening()); // listening already: nothing happens
    QCOMPARE(spy.size(), 0);
}

void MessageServiceTest::clientFailureOnlySetsStatus()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::Any, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    MessageService service(0);
    service.setPeerPort(closedPort);
    service.connectTo(kLocal);
    QTRY_COMPARE(service.status(), QStringLiteral("Error connecting to : 127.0.0.1"));
    QCOMPARE(service.MessageHost(), kLocal);
    QVERIFY(!service.clientConnected());
    QCOMPARE(service.replyTarget(0), 0);
}

VTEST(MessageServiceTest)
#include "test_messages_service.moc"
