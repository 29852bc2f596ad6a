#include "platform/db/column_registry.h"

#include "common/dates.h"
#include "common/money.h"
#include "platform/db/database.h"

#include <QList>
#include <QSet>

namespace {
struct Reference {
    QString targetTable, targetColumn, table, column;
    QString conditionColumn, conditionValue; // empty: every row

    QString where() const
    {
        // Identifiers come from the registrations in code, never from a user.
        QString w = column + QStringLiteral(" = ?");
        if (!conditionColumn.isEmpty())
            w += QStringLiteral(" AND ") + conditionColumn + QStringLiteral(" = ?");
        return w;
    }
    QVariantList params(const QVariant &value) const
    {
        QVariantList p{value};
        if (!conditionColumn.isEmpty())
            p.append(conditionValue);
        return p;
    }
    bool names(const QString &table, const QString &column) const
    {
        return targetTable.compare(table, Qt::CaseInsensitive) == 0
               && targetColumn.compare(column, Qt::CaseInsensitive) == 0;
    }
};
QSet<QString> &dateColumns()
{
    static QSet<QString> s;
    return s;
}
QSet<QString> &timeColumns()
{
    static QSet<QString> s;
    return s;
}
QList<Reference> &references()
{
    static QList<Reference> r;
    return r;
}
} // namespace

void ColumnRegistry::registerDateColumn(const QString &column)
{
    dateColumns().insert(column.toUpper());
}

void ColumnRegistry::registerTimeColumn(const QString &column)
{
    timeColumns().insert(column.toUpper());
}

bool ColumnRegistry::isDateColumn(const QString &column)
{
    return dateColumns().contains(column.toUpper());
}

bool ColumnRegistry::isTimeColumn(const QString &column)
{
    return timeColumns().contains(column.toUpper());
}

QString ColumnRegistry::displayText(const QString &column, const QVariant &value)
{
    if (value.isNull())
        return {};
    const QString text = value.toString();
    if (isDateColumn(column))
        return Dates::isoToShort(text);
    if (value.typeId() == QMetaType::Double)
        return Numbers::toText(value.toDouble()); // never "1e+06"
    return text;
}

QString ColumnRegistry::decimalText(const QVariant &value, int decimals)
{
    if (value.isNull())
        return {};
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? Money::fixed(v, decimals) : value.toString();
}

void ColumnRegistry::FieldDecimals::set(const QString &field, Decimals decimals)
{
    m_fields.insert(field.toUpper(), std::move(decimals));
}

QString ColumnRegistry::FieldDecimals::displayText(const QString &field, const QVariant &value) const
{
    if (!m_fields.isEmpty())
        if (const auto d = m_fields.constFind(field.toUpper()); d != m_fields.cend())
            return decimalText(value, (*d)());
    return ColumnRegistry::displayText(field, value);
}

void ColumnRegistry::registerReference(const QString &targetTable, const QString &targetColumn,
                                       const QString &table, const QString &column,
                                       const QString &conditionColumn, const QString &conditionValue)
{
    for (const Reference &r : references())
        if (r.targetTable == targetTable && r.targetColumn == targetColumn && r.table == table
            && r.column == column && r.conditionColumn == conditionColumn
            && r.conditionValue == conditionValue)
            return;
    references().append({targetTable, targetColumn, table, column, conditionColumn, conditionValue});
}

QList<ColumnRegistry::Check> ColumnRegistry::referenceChecks(const QString &targetTable, const QString &targetColumn,
                                                            const QVariant &value)
{
    QList<Check> checks;
    for (const Reference &r : references())
        if (r.names(targetTable, targetColumn))
            checks.append({r.table, QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1").arg(r.table, r.where()),
                           r.params(value)});
    return checks;
}

QString ColumnRegistry::referencedBy(const QString &targetTable, const QString &targetColumn,
                                     const QVariant &value, const QSqlDatabase &db, const QStringList &except)
{
    for (const Check &c : referenceChecks(targetTable, targetColumn, value)) {
        if (except.contains(c.table, Qt::CaseInsensitive) || !Db::tableExists(c.table, db))
            continue;
        if (Db::scalar(c.sql, c.params, db).isValid())
            return c.table;
    }
    return {};
}

void ColumnRegistry::moveReferences(const QString &targetTable, const QString &targetColumn, const QVariant &from,
                                    const QVariant &to, const QSqlDatabase &db)
{
    for (const Reference &r : references()) {
        if (!r.names(targetTable, targetColumn) || !Db::tableExists(r.table, db))
            continue;
        Db::execute(QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3").arg(r.table, r.column, r.where()),
                    QVariantList{to} + r.params(from), db);
    }
}

QString ColumnRegistry::referencedBy(const QString &targetTable, const QString &targetColumn,
                                     const QVariant &value)
{
    return referencedBy(targetTable, targetColumn, value, Db::connection());
}

void ColumnRegistry::clearReferences()
{
    references().clear();
}
