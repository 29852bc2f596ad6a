#pragma once
#include "platform/db/typed_query.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The queries a user types and stores in SQLs/Own_SQL.ini, and the limits
// they run under (on the read-only typed-query connection).
namespace OwnQueries {
QString iniFile(); // SQLs/Own_SQL.ini of the program folder
inline const QString NoName = QStringLiteral("Не е зададено име");

struct Stored {
    long long number = 0;
    QString name;
    QString item() const { return QString::number(number) + QLatin1Char(':') + name; }
};
QList<Stored> list(); // 1..Max, a missing name as NoName
// The text of query n: line 1 under key n of [Queries], line k under "n_k";
// reading stops at the first absent key. Empty when missing.
QString text(long long n);
// Stores a new query as number Max + 1 and returns it; 0 and `error` when the
// file could not be written.
long long save(const QString &sql, const QString &name, QString *error);

// Empty when `sql` would run, else the refusal (a statement that is not one
// SELECT or WITH, a protected column, the engine's objection).
QString check(const QString &sql);

inline constexpr int RowLimit = 100000;
// RowLimit rows and 60 seconds; tests shorten the time.
TypedQuery::Limits limits();
void setTimeLimit(std::chrono::milliseconds limit);
} // namespace OwnQueries

// The rows of a typed query that ran to its end (or to RowLimit rows, or to
// the size its limits allow).
class OwnQueryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit OwnQueryModel(QObject *parent = nullptr);

    void setResult(TypedQuery::Result result);
    void clear();
    bool truncated() const { return m_truncated; } // stopped at RowLimit or the size limit
    QString fieldName(int column) const { return m_fields.value(column); }
    // Floating-point: every value that is not NULL a number, one at least real.
    bool isFloatColumn(int column) const;
    double sum(int column) const;
    double average(int column) const; // 0 without rows

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_fields;
    QList<QVariantList> m_rows;
    bool m_truncated = false;
};
