#pragma once
#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>
#include <optional>

class QTcpServer;
class QTcpSocket;
class QTimer;

// Messages between workstations over TCP: this station's listener
// (`ServerSocket`), the stations connected to it, and one outgoing
// connection (`ClientSocket`) to the station last chosen. Everything runs on
// the GUI thread through Qt's socket notifications.
//
// Every connection gets a number that is never reused, so a station chosen
// in a list or remembered as the last sender is never mistaken for another.
class MessageService : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kPort = 1024;
    // More stations than a shop has. While they are all held, a new
    // connection takes the place, among those of the address holding the
    // most, that has gone longest without text: an address that holds no
    // place always gets one, and strangers cannot keep a station out.
    static constexpr int kMaxStations = 32;
    // Places one address may hold; its further connections are closed.
    static constexpr int kMaxPlacesPerAddress = 4;

    // port 0 listens on any free port (tests); port() then tells which.
    explicit MessageService(quint16 port = kPort, QObject *parent = nullptr);
    ~MessageService() override;

    // A station's connection that sends no text within `firstText` of
    // connecting, or none for `idle` afterwards, is closed: silent strangers,
    // and those that send NUL or control bytes alone, cannot hold the places.
    // A message sent is delivered once it has left and its connection stayed
    // open `confirm` after (nothing on the wire says it arrived). Tests
    // change them.
    struct Timeouts {
        std::chrono::milliseconds firstText{30000};
        std::chrono::milliseconds idle{600000};
        std::chrono::milliseconds confirm{500};
    };
    void setTimeouts(const Timeouts &timeouts) { m_timeouts = timeouts; }

    // The port of the other stations' listeners (the same as ours by default).
    void setPeerPort(quint16 port) { m_peerPort = port; }
    quint16 peerPort() const { return m_peerPort; }
    quint16 port() const;

    // Starts the listener; does nothing while it listens. When the port
    // cannot be bound the status line says so and false is returned.
    bool startListening();
    bool isListening() const;

    // The address to connect to, as last typed or chosen; kept for the run.
    QString MessageHost() const { return m_messageHost; }
    void setMessageHost(const QString &host) { m_messageHost = host; }

    // Closes the client connection and connects it anew to `host`
    // (which becomes MessageHost).
    void connectTo(const QString &host);
    void closeClient();
    int clientConnection() const { return m_clientId; } // 0 when none
    bool clientConnected() const;

    struct Station {
        int connection;
        QString address;
    };
    // Stations connected to this listener, in the order they came.
    QList<Station> stations() const;
    // True while any station is connected to this listener.
    bool PeerConnected() const;

    int lastSource() const { return m_lastSource; }
    bool isConnected(int connection) const;
    QString addressOf(int connection) const;

    // Where a reply goes: the chosen station when it is still connected, else
    // the connection the last message came on, else the client connection;
    // 0 when there is none of them.
    int replyTarget(int chosenStation) const;
    // false when the connection is gone or the write fails
    bool send(int connection, const QByteArray &bytes);
    // Sends to replyTarget(chosenStation). When there is none because the
    // other station closed the connection (listeners close silent ones),
    // connects anew to the station of the last message, else to MessageHost,
    // and sends once connected. Either way delivered() or notDelivered()
    // tells the end (Sending); a connection closed or reset before then is
    // not delivered. Failed when there is nobody to send to; while a message
    // is on its way another one is not sent (Busy).
    enum class Sending { Sending, Busy, Failed };
    Sending sendReply(int chosenStation, const QByteArray &bytes);

    QString status() const { return m_status; }
    void setStatus(const QString &text);

    static QString addressText(const QTcpSocket *socket);

Q_SIGNALS:
    void received(const QString &text, int connection);
    void statusChanged(const QString &text);
    void stationsChanged();
    // A station's connection to this listener opened.
    void stationConnected(int connection);
    // A line for the conversation (refused connections, dropped text).
    void note(const QString &line);
    // The end of a sendReply().
    void delivered(const QByteArray &bytes);
    void notDelivered(const QByteArray &bytes);

private:
    void ServerSocketAccept();
    void takeStation(QTcpSocket *socket, const QString &address);
    int placesOf(const QString &address) const;
    void freePlace(const QString &address);
    void makeRoom();
    bool writeOutgoing();
    void outgoingWritten(int connection, qint64 bytes);
    void confirmOutgoing();
    void ServerSocketClientRead(QTcpSocket *socket);
    void ServerSocketClientDisconnect(QTcpSocket *socket);
    void ClientSocketConnect();
    void ClientSocketDisconnect();
    void ClientSocketError(QAbstractSocket::SocketError error);
    void ClientSocketRead();
    bool readFrom(QTcpSocket *socket, int connection); // whether it carried text
    QTcpSocket *socketOf(int connection) const;
    enum class Drop { Closed, Silent, Displaced }; // by the station, for its silence, for a newcomer
    void dropStation(QTcpSocket *socket, Drop why);
    void failPending();

    struct Connection {
        int id;
        QTcpSocket *socket;
        QString address;
        QTimer *silence; // closes the connection when it stays silent
        quint64 heard;   // when it came or last sent text, in m_heard's order
    };

    QTcpServer *ServerSocket;
    QTcpSocket *ClientSocket = nullptr;
    int m_clientId = 0;
    QList<Connection> m_stations;
    quint16 m_port;
    quint16 m_peerPort;
    QString m_messageHost;
    QString m_status;
    int m_lastSource = 0;
    QString m_lastSourceAddress; // kept after its connection closed
    // The message on its way: written once its connection is open, then
    // confirmed when it has left and the connection stayed open.
    struct Outgoing {
        QByteArray bytes;
        int connection = 0;
        qint64 unwritten = -1; // -1 until written
    };
    std::optional<Outgoing> m_out;
    QTimer *m_confirm;
    quint64 m_heard = 0;
    bool m_fullNoted = false;          // told once while the places are taken
    QSet<QString> m_crowdedAddresses; // told once while at their places' limit
    int m_nextId = 1;
    Timeouts m_timeouts;
};
