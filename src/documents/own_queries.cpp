#include "documents/own_queries.h"

#include "common/ini_file.h"
#include "common/program_folder.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"

#include <QHash>

namespace {
const QString Queries = QStringLiteral("Queries");
const QString Names = QStringLiteral("Names");
const QString Count = QStringLiteral("Count");
const QString Max = QStringLiteral("Max");

QString lineKey(long long n, int k)
{
    return k == 1 ? QString::number(n) : QStringLiteral("%1_%2").arg(n).arg(k);
}

// A section's values by folded key: a long query has a key per line.
QHash<QString, QString> valuesOf(const IniFile &ini, const QString &section)
{
    QHash<QString, QString> out;
    for (const auto &[key, value] : ini.sectionValues(section))
        out.insert(key.toCaseFolded(), value);
    return out;
}

std::chrono::milliseconds &timeLimit()
{
    static std::chrono::milliseconds limit{60000};
    return limit;
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
    const QHash<QString, QString> names = valuesOf(ini, Names);
    for (long long i = 1; i <= n; ++i)
        out.append({i, names.value(QString::number(i), NoName)});
    return out;
}

QString OwnQueries::text(long long n)
{
    const QHash<QString, QString> queries = valuesOf(IniFile(iniFile()), Queries);
    QStringList lines{queries.value(lineKey(n, 1))};
    for (int k = 2; queries.contains(lineKey(n, k)); ++k)
        lines.append(queries.value(lineKey(n, k)));
    return lines.join(QLatin1Char('\n'));
}

long long OwnQueries::save(const QString &sql, const QString &name, QString *error)
{
    IniFile ini(iniFile());
    const long long n = ini.readInteger(Count, Max, 0) + 1;
    // One key per line: an INI value holds no line break.
    const QStringList lines = QString(sql).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    QList<std::pair<QString, QString>> values;
    values.reserve(lines.size());
    for (int k = 1; k <= lines.size(); ++k)
        values.append({lineKey(n, k), lines.at(k - 1)});
    ini.writeStrings(Queries, values);
    // A key left from a longer text stored by hand under this number would join it.
    for (int k = int(lines.size()) + 1; ini.valueExists(Queries, lineKey(n, k)); ++k)
        ini.deleteKey(Queries, lineKey(n, k));
    ini.writeString(Names, QString::number(n), name);
    ini.writeInteger(Count, Max, n);
    if (!ini.save(error))
        return 0;
    return n;
}

QString OwnQueries::check(const QString &sql)
{
    try {
        return TypedQueryConnection::open(Db::currentConnectionName())->check(sql);
    } catch (const DbError &e) {
        return e.message();
    }
}

TypedQuery::Limits OwnQueries::limits()
{
    return {RowLimit, timeLimit()};
}

void OwnQueries::setTimeLimit(std::chrono::milliseconds limit)
{
    timeLimit() = limit;
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

void OwnQueryModel::setResult(TypedQuery::Result result)
{
    beginResetModel();
    m_fields = std::move(result.fields);
    m_rows = std::move(result.rows);
    m_truncated = result.truncated;
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
