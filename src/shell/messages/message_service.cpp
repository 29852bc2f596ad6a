#include "shell/messages/message_service.h"

#include "shell/messages/message_text.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace {
// A connection in the listener's queue reads at most what one connection
// may hold, the rest stays with the system.
class Listener : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setReadBufferSize(MessageText::kMaxPendingPerConnection);
        socket->setSocketDescriptor(descriptor);
        addPendingConnection(socket);
    }
};
} // namespace

MessageService::MessageService(quint16 port, QObject *parent)
    : QObject(parent)
    , ServerSocket(new Listener(this))
    , m_port(port)
    , m_peerPort(port == 0 ? kPort : port)
    , m_confirm(new QTimer(this))
{
    ServerSocket->setObjectName(QStringLiteral("ServerSocket"));
    connect(ServerSocket, &QTcpServer::newConnection, this, &MessageService::ServerSocketAccept);
    m_confirm->setSingleShot(true);
    connect(m_confirm, &QTimer::timeout, this, &MessageService::confirmOutgoing);
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
    connect(ClientSocket, &QTcpSocket::bytesWritten, this,
            [this, id = m_clientId](qint64 n) { outgoingWritten(id, n); });
    ClientSocket->connectToHost(host, m_peerPort);
}

void MessageService::closeClient()
{
    if (!ClientSocket)
        return;
    if (m_out && m_out->connection == m_clientId)
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
    if (m_out)
        return Sending::Busy;
    const int target = replyTarget(chosenStation);
    if (target != 0) {
        m_out = Outgoing{bytes, target};
        if (writeOutgoing())
            return Sending::Sending;
        m_out.reset();
        return Sending::Failed;
    }
    const QString host = m_lastSourceAddress.isEmpty() ? m_messageHost : m_lastSourceAddress;
    if (host.isEmpty())
        return Sending::Failed;
    connectTo(host);
    m_out = Outgoing{bytes, m_clientId};
    return Sending::Sending;
}

// Writes the message on its connection; false when it cannot.
bool MessageService::writeOutgoing()
{
    QTcpSocket *socket = socketOf(m_out->connection);
    if (!socket || socket->state() != QAbstractSocket::ConnectedState
        || socket->write(m_out->bytes) != m_out->bytes.size())
        return false;
    m_out->unwritten = m_out->bytes.size();
    return true;
}

void MessageService::outgoingWritten(int connection, qint64 bytes)
{
    if (!m_out || m_out->connection != connection || m_out->unwritten <= 0)
        return;
    m_out->unwritten -= bytes;
    if (m_out->unwritten <= 0)
        m_confirm->start(m_timeouts.confirm);
}

void MessageService::confirmOutgoing()
{
    if (!m_out || m_out->unwritten > 0)
        return;
    if (!isConnected(m_out->connection)) {
        failPending();
        return;
    }
    const QByteArray bytes = std::exchange(m_out, std::nullopt)->bytes;
    Q_EMIT delivered(bytes);
}

void MessageService::failPending()
{
    if (!m_out)
        return;
    m_confirm->stop();
    const QByteArray bytes = std::exchange(m_out, std::nullopt)->bytes;
    Q_EMIT notDelivered(bytes);
}

int MessageService::placesOf(const QString &address) const
{
    return int(std::count_if(m_stations.cbegin(), m_stations.cend(),
                             [&](const Connection &c) { return c.address == address; }));
}

void MessageService::ServerSocketAccept()
{
    while (ServerSocket->hasPendingConnections()) {
        QTcpSocket *socket = ServerSocket->nextPendingConnection();
        const QString address = addressText(socket);
        if (placesOf(address) >= kMaxPlacesPerAddress) {
            socket->abort();
            socket->deleteLater();
            if (!m_crowdedAddresses.contains(address)) {
                m_crowdedAddresses.insert(address);
                Q_EMIT note(QStringLiteral("--- отказани връзки от %1: повече от %2 връзки от един адрес ---")
                                .arg(address)
                                .arg(kMaxPlacesPerAddress));
            }
            continue;
        }
        if (m_stations.size() >= kMaxStations)
            makeRoom();
        takeStation(socket, address);
    }
}

// Every place is held: the one that has gone longest without text, among
// those of the address holding the most, gives way to a newcomer. A place
// with a message of ours on its way is the last to go.
void MessageService::makeRoom()
{
    if (!std::exchange(m_fullNoted, true))
        Q_EMIT note(QStringLiteral("--- всички %1 места са заети: нова връзка взема мястото, мълчало най-дълго, "
                                   "на адреса с най-много места ---")
                        .arg(kMaxStations));
    const auto rank = [this](const Connection &c) {
        return std::tuple(m_out && m_out->connection == c.id, -placesOf(c.address), c.heard);
    };
    const auto quietest = std::min_element(m_stations.cbegin(), m_stations.cend(),
                                           [&](const Connection &a, const Connection &b) { return rank(a) < rank(b); });
    if (quietest != m_stations.cend())
        dropStation(quietest->socket, Drop::Displaced);
}

void MessageService::takeStation(QTcpSocket *socket, const QString &address)
{
    const int id = m_nextId++;
    socket->setReadBufferSize(MessageText::kMaxPendingPerConnection);
    auto *silence = new QTimer(socket);
    silence->setSingleShot(true);
    connect(silence, &QTimer::timeout, this, [this, socket] { dropStation(socket, Drop::Silent); });
    silence->start(m_timeouts.firstText);
    m_stations.append({id, socket, address, silence, ++m_heard});
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ServerSocketClientRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { ServerSocketClientDisconnect(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, id](qint64 n) { outgoingWritten(id, n); });
    setStatus(QStringLiteral("Connected to: ") + address);
    Q_EMIT stationConnected(id);
    Q_EMIT stationsChanged();
    // One that waited for its place may have sent, or even gone, meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, waited = QPointer<QTcpSocket>(socket)] {
            if (!waited)
                return;
            if (waited->state() != QAbstractSocket::ConnectedState)
                dropStation(waited, Drop::Closed);
            else if (waited->bytesAvailable() > 0)
                ServerSocketClientRead(waited);
        },
        Qt::QueuedConnection);
}

void MessageService::freePlace(const QString &address)
{
    if (placesOf(address) < kMaxPlacesPerAddress)
        m_crowdedAddresses.remove(address);
    // Told again only once a peer's worth of places was free, not on each
    // place that is freed and taken again.
    if (m_stations.size() <= kMaxStations - kMaxPlacesPerAddress)
        m_fullNoted = false;
}

void MessageService::ServerSocketClientRead(QTcpSocket *socket)
{
    for (const Connection &c : std::as_const(m_stations))
        if (c.socket == socket) {
            QTimer *silence = c.silence;
            const int id = c.id;
            // Only text keeps a place: NUL or control bytes alone do not.
            if (readFrom(socket, id)) {
                silence->start(m_timeouts.idle);
                // readFrom emitted: the list may have changed meanwhile
                for (Connection &same : m_stations)
                    if (same.id == id)
                        same.heard = ++m_heard;
            }
            return;
        }
}

void MessageService::ServerSocketClientDisconnect(QTcpSocket *socket)
{
    dropStation(socket, Drop::Closed);
}

// Only this station's connection ends; the listener serves the others on.
// One that stayed silent too long, or gave its place to a newcomer, is
// closed here.
void MessageService::dropStation(QTcpSocket *socket, Drop why)
{
    const bool silent = why == Drop::Silent;
    for (qsizetype i = 0; i < m_stations.size(); ++i) {
        if (m_stations.at(i).socket != socket)
            continue;
        const int id = m_stations.at(i).id;
        const QString address = m_stations.at(i).address;
        // text that came just before the close is still shown
        const QByteArray rest = silent ? QByteArray() : socket->readAll();
        m_stations.removeAt(i);
        socket->disconnect(this);
        if (why != Drop::Closed)
            socket->abort();
        socket->deleteLater();
        if (m_out && m_out->connection == id)
            failPending();
        Q_EMIT stationsChanged();
        if (MessageText::hasText(rest)) {
            m_lastSource = id;
            m_lastSourceAddress = address;
            Q_EMIT received(MessageText::decode(rest), id);
        }
        freePlace(address);
        return;
    }
}

void MessageService::ClientSocketConnect()
{
    setStatus(QStringLiteral("Connected to: ") + ClientSocket->peerName());
    if (m_out && m_out->connection == m_clientId && m_out->unwritten < 0 && !writeOutgoing())
        failPending();
}

void MessageService::ClientSocketDisconnect()
{
    // The connection stays as it is until another station is chosen.
    if (ClientSocket && ClientSocket->bytesAvailable() > 0)
        readFrom(ClientSocket, m_clientId);
    if (m_out && m_out->connection == m_clientId)
        failPending();
}

void MessageService::ClientSocketError(QAbstractSocket::SocketError error)
{
    // the other side closing is not an error of ours
    if (error != QAbstractSocket::RemoteHostClosedError)
        setStatus(QStringLiteral("Error connecting to : ") + m_messageHost);
    // A message on its way is lost with the connection, whoever closed it.
    if (m_out && m_out->connection == m_clientId)
        failPending();
}

void MessageService::ClientSocketRead()
{
    if (ClientSocket)
        readFrom(ClientSocket, m_clientId);
}

bool MessageService::readFrom(QTcpSocket *socket, int connection)
{
    const QByteArray data = socket->readAll();
    // NUL or control bytes alone are no message.
    if (!MessageText::hasText(data))
        return false;
    m_lastSource = connection;
    m_lastSourceAddress = addressOf(connection);
    Q_EMIT received(MessageText::decode(data), connection);
    return true;
}
