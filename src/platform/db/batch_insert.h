#pragma once
#include "platform/db/database.h"

#include <QStringList>

#include <map>
#include <memory>

namespace Db {
// An INSERT whose rows go many at a time: one statement of many rows, every
// value bound, so a server is asked once a batch rather than once a row. A
// server gets each column's values as one bound array of the column's type
// (its text form, parsed once), so a batch is a few values of any length.
// Rows wait until a batch is full or flush(); the caller flushes before its
// transaction commits and drops what waits when it rolls back. Row by row,
// each row goes at once (to find the one a failed batch stumbled on).
// `tail` follows the rows in each statement (an ON CONFLICT clause, whose
// rows then must not share a key: a server refuses to change a row twice).
class BatchInsert
{
public:
    BatchInsert(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                const QString &tail = {});
    ~BatchInsert();
    BatchInsert(const BatchInsert &) = delete;
    BatchInsert &operator=(const BatchInsert &) = delete;
    void add(const QVariantList &values);
    void flush();
    void drop();
    int pending() const { return int(m_values.size() / m_columns.size()); }
    void setRowByRow(bool on);

private:
    QString arraysStatement() const;
    void send(int rows, int from);
    void sendArrays();
    QSqlDatabase m_db;
    QString m_table;
    QStringList m_columns;
    QString m_tail;
    int m_batchRows = 1; // a power of two
    bool m_rowByRow = false;
    QString m_arrays; // a server's statement of column arrays, empty when none
    bool m_arraysLooked = false; // the table's column types read (at the first batch)
    QVariantList m_values;
    // Prepared once a size: a full batch, and the powers of two a rest is sent in.
    std::map<int, std::unique_ptr<Statement>> m_statements;
};
} // namespace Db
