#include "harness/test_registry.h"

#include "shell/messages/message_service.h"
#include "shell/messages/message_text.h"
#include "test_message_stations.h"

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

QTcpSocket *acceptOne(QTcpServer &server)
{
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000))
        return nullptr;
    return server.nextPendingConnection();
}

// `count` strangers, kMaxPlacesPerAddress from each loopback address from
// 127.0.0.<first> on.
std::vector<std::unique_ptr<QTcpSocket>> strangers(quint16 port, int count, int first)
{
    std::vector<std::unique_ptr<QTcpSocket>> out;
    for (int i = 0; i < count; ++i)
        out.push_back(stationTo(port, QStringLiteral("127.0.0.%1").arg(first + i / MessageService::kMaxPlacesPerAddress)));
    return out;
}

const MessageService::Timeouts Patient{1h, 1h, 0ms};
} // namespace

class MessageServiceTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wireFormIsNameColonAndCrLfLinesIn1251();
    void composeEdgeCases();
    void disconnectClosesOnlyThatStation();
    void replyRoutingRules();
    void anAddressWithoutAPlaceAlwaysGetsOne();
    void oneAddressHoldsAFewPlaces();
    void silentStrangersLoseTheirPlaces();
    void onlyTextKeepsAPlace();
    void aStationThatFallsSilentIsClosed();
    void aMessageIsDeliveredOnlyIfItsConnectionHolds();
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

// Eight addresses with four connections each, every one sending now and
// then, hold every place; an address that holds none still gets one at once:
// it takes the place of the address holding the most places that has gone
// longest without text.
void MessageServiceTest::anAddressWithoutAPlaceAlwaysGetsOne()
{
    MessageService service(0);
    service.setTimeouts(Patient);
    QVERIFY(service.startListening());
    QSignalSpy notes(&service, &MessageService::note);
    QSignalSpy spy(&service, &MessageService::received);
    auto held = strangers(service.port(), MessageService::kMaxStations, 10);
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxStations);
    const auto talk = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const qsizetype before = spy.size();
            held.at(i)->write("x");
            QTRY_COMPARE(spy.size(), before + 1);
        }
    };
    talk(0, held.size());
    talk(0, MessageService::kMaxPlacesPerAddress); // 127.0.0.10 spoke last: 127.0.0.11's first is the quietest
    const auto open = [&] {
        QList<std::size_t> out;
        for (std::size_t i = 0; i < held.size(); ++i)
            if (held.at(i)->state() == QAbstractSocket::ConnectedState)
                out << i;
        return out;
    };
    const auto allBut = [&](const QList<std::size_t> &closed) {
        QList<std::size_t> out;
        for (std::size_t i = 0; i < held.size(); ++i)
            if (!closed.contains(i))
                out << i;
        return out;
    };

    MessageService station(0);
    station.setPeerPort(service.port());
    station.setMessageHost(kLocal);
    station.setTimeouts(Patient);
    const QString message = MessageText::compose(QStringLiteral("Каса2"), QStringLiteral("не чакам"));
    const qsizetype before = spy.size();
    QCOMPARE(station.sendReply(0, MessageText::encode(message)), MessageService::Sending::Sending);
    QTRY_COMPARE(spy.size(), before + 1);
    QCOMPARE(spy.last().at(0).toString(), message);
    const std::size_t quietest = MessageService::kMaxPlacesPerAddress;
    QTRY_COMPARE(open(), allBut({quietest}));
    QCOMPARE(service.stations().size(), MessageService::kMaxStations);
    QCOMPARE(service.stations().last().address, kLocal);
    QCOMPARE(notes.size(), 1);
    QVERIFY(notes.at(0).at(0).toString().contains(QStringLiteral("заети")));

    // The next address without a place: 127.0.0.11 now holds fewer than the
    // others, so the quietest of those that hold the most gives way.
    auto second = messagetest::stationTo(service.port(), QStringLiteral("127.0.0.2"));
    QTRY_COMPARE(open(), allBut({quietest, 2 * quietest}));
    QCOMPARE(second->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(service.stations().size(), MessageService::kMaxStations);
    QCOMPARE(notes.size(), 1);
}

// One address holds a few places; its further connections are closed with
// one note, and other addresses still come in.
void MessageServiceTest::oneAddressHoldsAFewPlaces()
{
    MessageService service(0);
    service.setTimeouts(Patient);
    QVERIFY(service.startListening());
    QSignalSpy notes(&service, &MessageService::note);
    const QString crowd = QStringLiteral("127.0.0.2");
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < MessageService::kMaxPlacesPerAddress + 3; ++i)
        sockets.push_back(stationTo(service.port(), crowd));
    for (std::size_t i = MessageService::kMaxPlacesPerAddress; i < sockets.size(); ++i)
        QTRY_COMPARE(sockets.at(i)->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(service.stations().size(), MessageService::kMaxPlacesPerAddress);
    QCOMPARE(notes.size(), 1);
    QVERIFY(notes.at(0).at(0).toString().contains(crowd));
    auto other = stationTo(service.port(), QStringLiteral("127.0.0.3"));
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxPlacesPerAddress + 1);
    // A place of the crowd freed is the crowd's again.
    sockets.front()->disconnectFromHost();
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxPlacesPerAddress);
    auto again = stationTo(service.port(), crowd);
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxPlacesPerAddress + 1);
    QCOMPARE(again->state(), QAbstractSocket::ConnectedState);
}

void MessageServiceTest::silentStrangersLoseTheirPlaces()
{
    MessageService service(0);
    service.setTimeouts({1500ms, 3000ms, 0ms});
    QVERIFY(service.startListening());
    auto silent = strangers(service.port(), 40, 20);
    QTRY_COMPARE(service.stations().size(), MessageService::kMaxStations);
    // Not one byte from any of them: each is closed, those that took a
    // displaced one's place too, and every place is free again.
    for (const auto &s : silent)
        QTRY_COMPARE_WITH_TIMEOUT(s->state(), QAbstractSocket::UnconnectedState, 10000);
    QTRY_COMPARE(service.stations().size(), 0);

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

// NUL and control bytes are no text: a connection that sends nothing else
// is closed as a silent one, and raises no message.
void MessageServiceTest::onlyTextKeepsAPlace()
{
    MessageService service(0);
    service.setTimeouts({300ms, 1h, 0ms});
    QVERIFY(service.startListening());
    QSignalSpy spy(&service, &MessageService::received);
    auto talker = stationTo(service.port(), QStringLiteral("127.0.0.4"));
    talker->write("T:\r\nтук\r\n");
    QTRY_COMPARE(spy.size(), 1);
    auto noise = stationTo(service.port(), QStringLiteral("127.0.0.5"));
    noise->write(QByteArray("\0\x01\r\n\t\x7f\0", 7));
    QTRY_COMPARE(noise->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(service.stations().size(), 1);
    QCOMPARE(service.stations().first().address, QStringLiteral("127.0.0.4"));
    QCOMPARE(talker->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(spy.size(), 1);
}

void MessageServiceTest::aStationThatFallsSilentIsClosed()
{
    MessageService service(0);
    service.setTimeouts({2000ms, 1500ms, 0ms});
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

// A message is delivered once it has left and its connection held; a
// connection reset before then loses it, and that is told.
void MessageServiceTest::aMessageIsDeliveredOnlyIfItsConnectionHolds()
{
    for (const bool reset : {true, false}) {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::Any, 0));
        MessageService sender(0);
        sender.setPeerPort(peer.serverPort());
        sender.setMessageHost(kLocal);
        sender.setTimeouts({1h, 1h, reset ? 1h : 0ms});
        QSignalSpy delivered(&sender, &MessageService::delivered);
        QSignalSpy lost(&sender, &MessageService::notDelivered);
        QCOMPARE(sender.sendReply(0, "A:\r\nедно\r\n"), MessageService::Sending::Sending);
        QTcpSocket *far = acceptOne(peer);
        QVERIFY(far);
        QTRY_VERIFY(far->bytesAvailable() > 0);
        if (reset) {
            // Another message waits for this one.
            QCOMPARE(sender.sendReply(0, "A:\r\nдве\r\n"), MessageService::Sending::Busy);
            far->abort();
        }
        QTRY_COMPARE(delivered.size() + lost.size(), 1);
        QCOMPARE(lost.size(), reset ? 1 : 0);
        QCOMPARE((reset ? lost : delivered).at(0).at(0).toByteArray(), QByteArray("A:\r\nедно\r\n"));
    }
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
