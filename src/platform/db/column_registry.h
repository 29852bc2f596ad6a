#pragma once
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// What the database layer knows of columns beyond their types:
// - which columns hold dates or times (ISO in the database, short forms on
//   screen and in exports);
// - which columns name a record of another table, so that such a record is
//   neither deleted nor re-keyed while it is named.
// Registrations are made in one list (shell/schema_columns.cpp).
namespace ColumnRegistry {
void registerDateColumn(const QString &column);
void registerTimeColumn(const QString &column);
bool isDateColumn(const QString &column);
bool isTimeColumn(const QString &column);
// Grid and export text of a value: dates in dd.MM.yyyy, everything else as is.
QString displayText(const QString &column, const QVariant &value);
// Grid and export text of a number with `decimals` places, rounded half away
// from zero ("1.20"); NULL empty; a text that is no number as it is.
QString decimalText(const QVariant &value, int decimals);

// The fields of one list shown with fixed decimals (money): the function
// gives the decimals when a cell is shown, so prices follow the price
// decimals as they are then. Other fields show as displayText gives.
using Decimals = std::function<int()>;
class FieldDecimals
{
public:
    void set(const QString &field, Decimals decimals);
    QString displayText(const QString &field, const QVariant &value) const;

private:
    QHash<QString, Decimals> m_fields; // upper-case field
};

// `table.column` names a row of `targetTable` by its `targetColumn`. With a
// condition, only the rows whose `conditionColumn` holds `conditionValue` do
// (SP_otstapka.ID_Art_Gr names a group when Otnasq_se_za is "G").
void registerReference(const QString &targetTable, const QString &targetColumn,
                       const QString &table, const QString &column,
                       const QString &conditionColumn = {}, const QString &conditionValue = {});
// The first table that names the value, or an empty text when none does.
// Tables not created yet are skipped, and so are the tables in `except`
// (rows that the caller deletes together with the record).
QString referencedBy(const QString &targetTable, const QString &targetColumn, const QVariant &value,
                     const QSqlDatabase &db, const QStringList &except = {});
QString referencedBy(const QString &targetTable, const QString &targetColumn, const QVariant &value);
// The look-ups the check runs, one per registered column, in its order:
// "SELECT 1 FROM <table> WHERE <column> = ? ... LIMIT 1" with its values.
struct Check {
    QString table;
    QString sql;
    QVariantList params;
};
QList<Check> referenceChecks(const QString &targetTable, const QString &targetColumn, const QVariant &value);
// A record that is re-keyed takes every row that names it along (run it in
// the caller's write transaction). Throws DbError.
void moveReferences(const QString &targetTable, const QString &targetColumn, const QVariant &from,
                    const QVariant &to, const QSqlDatabase &db);
void clearReferences(); // tests
} // namespace ColumnRegistry
