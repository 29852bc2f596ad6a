#include "platform/db/batch_insert.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {
// Rows a server gets in one statement of column arrays.
constexpr int ServerBatchRows = 4096;

// No value, as Qt binds one: a null text, bytes, date or time too.
bool noValue(const QVariant &v)
{
    if (v.isNull())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString *>(v.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray *>(v.constData())->isNull();
    case QMetaType::QDate:
        return static_cast<const QDate *>(v.constData())->isNull();
    case QMetaType::QTime:
        return static_cast<const QTime *>(v.constData())->isNull();
    case QMetaType::QDateTime:
        return static_cast<const QDateTime *>(v.constData())->isNull();
    default:
        return false;
    }
}

// An element of an array's text form: NULL, a number as its shortest exact
// text, anything else quoted.
void appendElement(QString &out, const QVariant &v)
{
    if (noValue(v)) {
        out += QLatin1String("NULL");
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (std::isnan(d))
            out += QLatin1String("NaN");
        else if (std::isinf(d))
            out += d > 0 ? QLatin1String("Infinity") : QLatin1String("-Infinity");
        else
            out += QString::number(d, 'g', QLocale::FloatingPointShortest);
        return;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        out += v.toString();
        return;
    default:
        break;
    }
    const QString text = v.toString();
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('"');
}
} // namespace

Db::BatchInsert::BatchInsert(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                             const QString &tail)
    : m_db(db)
    , m_table(table)
    , m_columns(columns)
    , m_tail(tail)
{
    // Bound values a statement may carry: SQLite's oldest limit, a server's protocol's.
    const bool server = engine(db) == Engine::Postgres;
    const int values = server ? 65535 : 999;
    const int rows = std::min(server ? ServerBatchRows : 256, values / int(columns.size()));
    while (m_batchRows * 2 <= rows)
        m_batchRows *= 2;
    if (!server)
        m_arraysLooked = true;
}

Db::BatchInsert::~BatchInsert() = default;

QString Db::BatchInsert::arraysStatement() const
{
    // A server reads a column's values as one array of the column's type: a
    // few bound values a statement however many rows, each parsed once.
    QHash<QString, QString> types;
    for (const QSqlRecord &r :
         rows(QStringLiteral("SELECT a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
                             "WHERE a.attrelid = to_regclass(?) AND a.attnum > 0 AND NOT a.attisdropped"),
              {m_table}, m_db))
        types.insert(r.value(0).toString().toLower(), r.value(1).toString());
    QStringList arrays;
    for (const QString &column : m_columns) {
        const QString type = types.value(column.toLower());
        if (type.isEmpty())
            return {}; // not a plain column of a table found so: rows of bound values
        arrays << QStringLiteral("?::%1[]").arg(type);
    }
    QString sql = QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM unnest(%3)")
                      .arg(m_table, m_columns.join(QStringLiteral(", ")), arrays.join(QStringLiteral(", ")));
    if (!m_tail.isEmpty())
        sql += QLatin1Char(' ') + m_tail;
    return sql;
}

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
    if (pending() > 0 && !m_rowByRow && !m_arraysLooked) {
        try {
            m_arrays = arraysStatement();
        } catch (const DbError &) {
            m_values.clear(); // the transaction is rolled back: none of them was written
            throw;
        }
        m_arraysLooked = true;
    }
    if (!m_arrays.isEmpty() && !m_rowByRow) {
        if (pending() > 0)
            sendArrays();
        m_values.clear();
        return;
    }
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

void Db::BatchInsert::sendArrays()
{
    const int width = int(m_columns.size());
    const int count = pending();
    QVariantList arrays;
    for (int c = 0; c < width; ++c) {
        QString array(QLatin1Char('{'));
        for (int r = 0; r < count; ++r) {
            if (r > 0)
                array += QLatin1Char(',');
            appendElement(array, m_values.at(r * width + c));
        }
        array += QLatin1Char('}');
        arrays << array;
    }
    try {
        execute(m_arrays, arrays, m_db);
    } catch (const DbError &) {
        m_values.clear(); // the transaction is rolled back: none of them was written
        throw;
    }
}
