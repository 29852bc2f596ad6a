#pragma once
// Stations of the message tests: connections to a listener on the loopback
// network, each from the address it is given.
#include <QHostAddress>
#include <QString>
#include <QTcpSocket>

#include <memory>

namespace messagetest {
inline const QString kLocal = QStringLiteral("127.0.0.1");

// A station at `from` (any address of the loopback network).
inline std::unique_ptr<QTcpSocket> stationTo(quint16 port, const QString &from = QString())
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!from.isEmpty() && !socket->bind(QHostAddress(from)))
        qFatal("cannot bind the loopback address");
    socket->connectToHost(kLocal, port);
    if (!socket->waitForConnected(5000))
        qFatal("loopback connection failed");
    return socket;
}
} // namespace messagetest
