#include "shell/messages/message_service.h"

#include "shell/messages/message_text.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

MessageService::MessageService(quint16 port, QObject *parent)
    : QObject(parent)
    , ServerSocket(new QTcpServer(this))
    , m_port(port)
    , m_peerPort(port == 0 ? kPort : port)
{
    ServerSocket->setObjectName(QStringLiteral("ServerSocket"));
    connect(ServerSocket, &QTcpServer::newConnection, this, &MessageService::ServerSocketAccept);
}

MessageService::~MessageService()
{
    // Sockets deleted with us must not call back into a half-destroyed object.
    ServerSocket->disconnect(this);
    for (const Connection &c : std::as_const(m_stations))
        c.socket->disconnect(this);
    if (ClientSocket)
        ClientSocket->disconnect(this);
}

quint16 MessageService::port() const
{
    return ServerSocket->isListening() ? ServerSocket->serverPort() : m_port;
}

bool MessageService::startListening()
{
    if (ServerSocket->isListening())
        return true;
    if (!ServerSocket->listen(QHostAddress::Any, m_port)) {
        setStatus(QStringLiteral("Порт %1 е зает – съобщения от други станции не се приемат")
                      .arg(m_port));
        return false;
    }
    setStatus(QStringLiteral("Listening..."));
    return true;
}

bool MessageService::isListening() const
{
    return ServerSocket->isListening();
}

void MessageService::setStatus(const QString &text)
{
    m_status = text;
    Q_EMIT statusChanged(text);
}

QString MessageService::addressText(const QTcpSocket *socket)
{
    const QHostAddress address = socket->peerAddress();
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

void MessageService::connectTo(const QString &host)
{
    closeClient();
    m_messageHost = host;
    ClientSocket = new QTcpSocket(this);
    ClientSocket->setObjectName(QStringLiteral("ClientSocket"));
    ClientSocket->setReadBufferSize(MessageText::kMaxPendingPerConnection);
    m_clientId = m_nextId++;
    connect(ClientSocket, &QTcpSocket::connected, this, &MessageService::ClientSocketConnect);
    connect(ClientSocket, &QTcpSocket::disconnected, this, &MessageService::ClientSocketDisconnect);
    connect(ClientSocket, &QTcpSocket::errorOccurred, this, &MessageService::ClientSocketError);
    connect(ClientSocket, &QTcpSocket::readyRead, this, &MessageService::ClientSocketRead);
    ClientSocket->connectToHost(host, m_peerPort);
}

void MessageService::closeClient()
{
    if (!ClientSocket)
        return;
    failPending();
    ClientSocket->disconnect(this);
    ClientSocket->abort();
    ClientSocket->deleteLater();
    ClientSocket = nullptr;
    m_clientId = 0;
}

bool MessageService::clientConnected() const
{
    return ClientSocket && ClientSocket->state() == QAbstractSocket::ConnectedState;
}

QList<MessageService::Station> MessageService::stations() const
{
    QList<Station> out;
    for (const Connection &c : m_stations)
        out.append({c.id, c.address});
    return out;
}

bool MessageService::PeerConnected() const
{
    for (const Connection &c : m_stations)
        if (c.socket->state() == QAbstractSocket::ConnectedState)
            return true;
    return false;
}

QTcpSocket *MessageService::socketOf(int connection) const
{
    if (connection == 0)
        return nullptr;
    if (connection == m_clientId)
        return ClientSocket;
    for (const Connection &c : m_stations)
        if (c.id == connection)
            return c.socket;
    return nullptr;
}

bool MessageService::isConnected(int connection) const
{
    const QTcpSocket *socket = socketOf(connection);
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

QString MessageService::addressOf(int connection) const
{
    if (connection != 0 && connection == m_clientId)
        return m_messageHost;
    for (const Connection &c : m_stations)
        if (c.id == connection)
            return c.address;
    return {};
}

int MessageService::replyTarget(int chosenStation) const
{
    for (const Connection &c : m_stations)
        if (c.id == chosenStation && isConnected(c.id))
            return c.id;
    if (isConnected(m_lastSource))
        return m_lastSource;
    if (clientConnected())
        return m_clientId;
    return 0;
}

bool MessageService::send(int connection, const QByteArray &bytes)
{
    QTcpSocket *socket = socketOf(connection);
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return false;
    return socket->write(bytes) == bytes.size();
}

MessageService::Sending MessageService::sendReply(int chosenStation, const QByteArray &bytes)
{
    if (!m_pending.isEmpty())
        return Sending::Connecting;
    const int target = replyTarget(chosenStation);
    if (target != 0)
        return send(target, bytes) ? Sending::Sent : Sending::Failed;
    const QString host = m_lastSourceAddress.isEmpty() ? m_messageHost : m_lastSourceAddress;
    if (host.isEmpty())
        return Sending::Failed;
    connectTo(host);
    m_pending = bytes;
    return Sending::Connecting;
}

void MessageService::failPending()
{
    if (m_pending.isEmpty())
        return;
    const QByteArray bytes = std::exchange(m_pending, {});
    Q_EMIT notDelivered(bytes);
}

void MessageService::ServerSocketAccept()
{
    while (ServerSocket->hasPendingConnections()) {
        QTcpSocket *socket = ServerSocket->nextPendingConnection();
        const QString address = addressText(socket);
        if (m_stations.size() >= kMaxStations) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
            Q_EMIT note(QStringLiteral("--- отказана връзка от %1: твърде много свързани станции ---")
                            .arg(address));
            continue;
        }
        const int id = m_nextId++;
        socket->setReadBufferSize(MessageText::kMaxPendingPerConnection);
        auto *silence = new QTimer(socket);
        silence->setSingleShot(true);
        connect(silence, &QTimer::timeout, this, [this, socket] { dropStation(socket, true); });
        silence->start(m_timeouts.firstByte);
        m_stations.append({id, socket, address, silence});
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket] { ServerSocketClientRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { ServerSocketClientDisconnect(socket); });
        setStatus(QStringLiteral("Connected to: ") + address);
        Q_EMIT stationConnected(id);
        Q_EMIT stationsChanged();
    }
}

void MessageService::ServerSocketClientRead(QTcpSocket *socket)
{
    for (const Connection &c : std::as_const(m_stations))
        if (c.socket == socket) {
            const int id = c.id;
            c.silence->start(m_timeouts.idle);
            readFrom(socket, id);
            return;
        }
}

void MessageService::ServerSocketClientDisconnect(QTcpSocket *socket)
{
    dropStation(socket, false);
}

// Only this station's connection ends; the listener serves the others on.
// One that stayed silent too long is closed here and gives its place up.
void MessageService::dropStation(QTcpSocket *socket, bool silent)
{
    for (qsizetype i = 0; i < m_stations.size(); ++i) {
        if (m_stations.at(i).socket != socket)
            continue;
        const int id = m_stations.at(i).id;
        const QString address = m_stations.at(i).address;
        // text that came just before the close is still shown
        const QByteArray rest = silent ? QByteArray() : socket->readAll();
        m_stations.removeAt(i);
        socket->disconnect(this);
        if (silent)
            socket->abort();
        socket->deleteLater();
        Q_EMIT stationsChanged();
        if (!rest.isEmpty()) {
            m_lastSource = id;
            m_lastSourceAddress = address;
            Q_EMIT received(MessageText::decode(rest), id);
        }
        return;
    }
}

void MessageService::ClientSocketConnect()
{
    setStatus(QStringLiteral("Connected to: ") + ClientSocket->peerName());
    if (m_pending.isEmpty())
        return;
    const QByteArray bytes = std::exchange(m_pending, {});
    if (ClientSocket->write(bytes) == bytes.size())
        Q_EMIT delivered(bytes);
    else
        Q_EMIT notDelivered(bytes);
}

void MessageService::ClientSocketDisconnect()
{
    // The connection stays as it is until another station is chosen.
    if (ClientSocket && ClientSocket->bytesAvailable() > 0)
        readFrom(ClientSocket, m_clientId);
}

void MessageService::ClientSocketError(QAbstractSocket::SocketError error)
{
    // the other side closing is not an error of ours
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    setStatus(QStringLiteral("Error connecting to : ") + m_messageHost);
    failPending();
}

void MessageService::ClientSocketRead()
{
    if (ClientSocket)
        readFrom(ClientSocket, m_clientId);
}

void MessageService::readFrom(QTcpSocket *socket, int connection)
{
    const QByteArray data = socket->readAll();
    if (data.isEmpty())
        return;
    m_lastSource = connection;
    m_lastSourceAddress = addressOf(connection);
    Q_EMIT received(MessageText::decode(data), connection);
}
