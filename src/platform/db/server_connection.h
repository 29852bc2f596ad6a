#pragma once
#include <QString>

#include <optional>

// A database folder whose database lives on a PostgreSQL server names it in
// its connection file: host, port, database and user, never a password (libpq
// takes it from PGPASSWORD or the user's password file ~/.pgpass). The folder
// itself keeps the tree files, shared by every workstation as with SQLite.
struct ServerConnection {
    static constexpr const char *FileName = "Server.ini";
    static constexpr int DefaultPort = 5432;

    QString host;
    int port = DefaultPort;
    QString database;
    QString user;

    static QString filePath(const QString &folder);
    static bool existsIn(const QString &folder);
    // The folder's connection file; `error` gets the Bulgarian reason when it
    // is there but unreadable or incomplete.
    static std::optional<ServerConnection> read(const QString &folder, QString *error = nullptr);
    // Empty when complete; otherwise what is missing, in Bulgarian.
    QString problem() const;
    bool write(const QString &folder, QString *error = nullptr) const; // atomic
    // "<database> на <host>:<port>" for the status bar and messages.
    QString describe() const;
};
