#pragma once
#include <QSqlDatabase>
#include <QString>

// The one write-transaction guard: the database's write lock taken at once
// (on SQLite the shop database's alone, see SqliteEngine::beginWrite), then
// commit or roll back.
// A guard opened inside another (on the same connection) joins it through a
// savepoint, so the stock writer and the next-number helper work inside their
// caller's transaction. Leaving the scope without commit() rolls back.
// No dialog, event loop or timer work may run while a guard is open.
class WriteTransaction
{
public:
    explicit WriteTransaction(const QSqlDatabase &db);
    WriteTransaction(); // on the program's connection
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    void commit();   // throws DbError; an outer guard's commit makes it durable
    void rollback(); // undoes this guard's work (the whole transaction for the outer one)
    bool isNested() const { return m_depth > 1; }

    static bool anyOpen();
    static bool isOpen(const QSqlDatabase &db);

private:
    void run(const QString &sql);
    QSqlDatabase m_db;
    QString m_name;
    qint64 m_serverTx = 0; // the server's id of the transaction, to ask its fate after a lost COMMIT
    int m_depth = 0;
    bool m_done = false;
};
