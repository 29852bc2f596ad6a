#include "documents/own_queries.h"

#include "common/ini_file.h"
#include "common/program_folder.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QString Connection = QStringLiteral("ventaros_own_queries");
const QString Queries = QStringLiteral("Queries");
const QString Names = QStringLiteral("Names");
const QString Count = QStringLiteral("Count");
const QString Max = QStringLiteral("Max");

QString lineKey(long long n, int k)
{
    return k == 1 ? QString::number(n) : QStringLiteral("%1_%2").arg(n).arg(k);
}
} // namespace

QString OwnQueries::iniFile()
{
    return ProgramFolder::file(QStringLiteral("SQLs/Own_SQL.ini"));
}

QList<OwnQueries::Stored> OwnQueries::list()
{
    IniFile ini(iniFile());
    QList<Stored> out;
    const long long n = ini.readInteger(Count, Max, 0);
    for (long long i = 1; i <= n; ++i)
        out.append({i, ini.readString(Names, QString::number(i), NoName)});
    return out;
}

QString OwnQueries::text(long long n)
{
    IniFile ini(iniFile());
    QStringList lines{ini.readString(Queries, lineKey(n, 1))};
    for (int k = 2; ini.valueExists(Queries, lineKey(n, k)); ++k)
        lines.append(ini.readString(Queries, lineKey(n, k)));
    return lines.join(QLatin1Char('\n'));
}

long long OwnQueries::save(const QString &sql, const QString &name, QString *error)
{
    IniFile ini(iniFile());
    const long long n = ini.readInteger(Count, Max, 0) + 1;
    // One key per line: an INI value holds no line break.
    QStringList lines = QString(sql).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    for (int k = 1; k <= lines.size(); ++k)
        ini.writeString(Queries, lineKey(n, k), lines.at(k - 1));
    // A key left from a longer text stored by hand under this number would join it.
    for (int k = int(lines.size()) + 1; ini.valueExists(Queries, lineKey(n, k)); ++k)
        ini.deleteKey(Queries, lineKey(n, k));
    ini.writeString(Names, QString::number(n), name);
    ini.writeInteger(Count, Max, n);
    if (!ini.save(error))
        return 0;
    return n;
}

QSqlDatabase OwnQueries::connection()
{
    const QString file = Db::connection().databaseName();
    if (QSqlDatabase::contains(Connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(Connection, false);
            if (db.isOpen() && db.databaseName() == file)
                return db;
        }
        Db::close(Connection);
    }
    if (file.isEmpty())
        throw DbError(QStringLiteral("Няма връзка с базата данни"));
    QString why;
    if (!Db::openReadOnly(Connection, file, &why))
        throw DbError(why);
    return QSqlDatabase::database(Connection, false);
}

void OwnQueries::closeConnection()
{
    Db::close(Connection);
}

OwnQueryModel::OwnQueryModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void OwnQueryModel::clear()
{
    beginResetModel();
    m_fields.clear();
    m_rows.clear();
    m_truncated = false;
    endResetModel();
}

void OwnQueryModel::run(const QString &sql)
{
    clear();
    QSqlDatabase db = OwnQueries::connection();
    QString statement;
    const QString refused = Db::checkSelectOnly(sql, db, &statement);
    if (!refused.isEmpty())
        throw DbError(refused, sql);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(statement))
        throw DbError(q.lastError(), sql);
    QStringList fields;
    const QSqlRecord rec = q.record();
    for (int c = 0; c < rec.count(); ++c)
        fields.append(rec.fieldName(c));
    QList<QVariantList> rows;
    bool truncated = false;
    // The limit also ends a query that would never end (an endless recursion).
    while (q.next()) {
        if (rows.size() >= OwnQueries::RowLimit) {
            truncated = true;
            break;
        }
        QVariantList row;
        row.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c)
            row.append(q.value(c));
        rows.append(std::move(row));
    }
    const QSqlError failed = q.lastError();
    q.finish();
    if (failed.isValid())
        throw DbError(failed, sql);
    beginResetModel();
    m_fields = fields;
    m_rows = std::move(rows);
    m_truncated = truncated;
    endResetModel();
}

bool OwnQueryModel::isFloatColumn(int column) const
{
    if (column < 0 || column >= m_fields.size())
        return false;
    bool real = false;
    for (const QVariantList &row : m_rows) {
        const QVariant &v = row.at(column);
        if (v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            real = true;
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            break;
        default:
            return false;
        }
    }
    return real;
}

double OwnQueryModel::sum(int column) const
{
    double total = 0;
    for (const QVariantList &row : m_rows)
        total += row.value(column).toDouble();
    return total;
}

double OwnQueryModel::average(int column) const
{
    return m_rows.isEmpty() ? 0.0 : sum(column) / double(m_rows.size());
}

int OwnQueryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OwnQueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant OwnQueryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QVariant v = m_rows.at(index.row()).value(index.column());
    if (role == Qt::DisplayRole)
        return ColumnRegistry::displayText(m_fields.at(index.column()), v);
    return v;
}

QVariant OwnQueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_fields.value(section);
    return section + 1;
}
