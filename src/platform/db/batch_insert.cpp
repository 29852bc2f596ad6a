#include "platform/db/batch_insert.h"

#include <algorithm>

Db::BatchInsert::BatchInsert(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                             const QString &tail)
    : m_db(db)
    , m_table(table)
    , m_columns(columns)
    , m_tail(tail)
{
    // Bound values a statement may carry: SQLite's oldest limit, a server's protocol's.
    const int values = engine(db) == Engine::Sqlite ? 999 : 65535;
    const int rows = std::min(256, values / int(columns.size()));
    while (m_batchRows * 2 <= rows)
        m_batchRows *= 2;
}

Db::BatchInsert::~BatchInsert() = default;

void Db::BatchInsert::setRowByRow(bool on)
{
    flush();
    m_rowByRow = on;
}

void Db::BatchInsert::add(const QVariantList &values)
{
    Q_ASSERT(values.size() == m_columns.size());
    m_values << values;
    if (m_rowByRow || pending() == m_batchRows)
        flush();
}

void Db::BatchInsert::flush()
{
    // A rest goes in powers of two: a few statements, each prepared once.
    int from = 0;
    for (int rows = m_batchRows; rows > 0; rows /= 2) {
        while (pending() - from >= rows) {
            send(rows, from);
            from += rows;
        }
    }
    m_values.clear();
}

void Db::BatchInsert::drop()
{
    m_values.clear();
}

void Db::BatchInsert::send(int rows, int from)
{
    std::unique_ptr<Statement> &statement = m_statements[rows];
    if (!statement) {
        const QString row = QLatin1Char('(') + QStringList(m_columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))
                            + QLatin1Char(')');
        QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                          .arg(m_table, m_columns.join(QStringLiteral(", ")),
                               QStringList(rows, row).join(QStringLiteral(", ")));
        if (!m_tail.isEmpty())
            sql += QLatin1Char(' ') + m_tail;
        statement = std::make_unique<Statement>(m_db, sql);
    }
    const int width = int(m_columns.size());
    try {
        statement->execute(m_values.mid(from * width, rows * width));
    } catch (const DbError &) {
        m_values.clear(); // the transaction is rolled back: none of them was written
        throw;
    }
}
