#include "offers/task_list.h"

#include "common/dates.h"
#include "platform/db/database.h"

namespace {
const QList<TaskList::Column> kColumns = {
    {"Zada4i_Zadanie", "Opisanie_Z", "Описание задача", 200, TaskList::Kind::Text},
    {"Firmi", "Ime_Firma", "Възложител", 200, TaskList::Kind::Text},
    {"Zada4i_Zadanie", "Izpalniteli", "Изпълнители", 100, TaskList::Kind::Text},
    {"Zada4i_Zadanie", "Status", "Статус", 80, TaskList::Kind::Text},
    {"Zada4i_Zadanie", "D_Izpalnenie", "Дата изпълнение", 110, TaskList::Kind::Date},
    {"Zada4i_Zadanie", "T_Izpalnenie", "Час изпълнение", 89, TaskList::Kind::Time},
    {"Zada4i_Zadanie", "D_Vazlagane", "Дата възлагане", 106, TaskList::Kind::Date},
    {"Zada4i_Zadanie", "T_Vazlagane", "Час възлагане", 83, TaskList::Kind::Time},
    {"Zada4i_Zadanie", "Zabel", "Забележка", 150, TaskList::Kind::Text},
};

QString selectAll()
{
    QStringList fields;
    for (const TaskList::Column &c : kColumns)
        fields << c.qualified();
    for (const QString &f : TaskList::hiddenFields())
        fields << QStringLiteral("Zada4i_Zadanie.") + f;
    return QStringLiteral("SELECT ") + fields.join(QStringLiteral(", "))
           + QStringLiteral(" FROM Zada4i_Zadanie LEFT JOIN Firmi ON Zada4i_Zadanie.Vazlojil_Klient = Firmi.ID");
}

QString minuteText(const QTime &t, int second)
{
    return QTime(t.hour(), t.minute(), second).toString(QLatin1String(Dates::TimeFormat));
}
} // namespace

QString TaskList::Column::qualified() const
{
    return QString::fromLatin1(table) + QLatin1Char('.') + QString::fromLatin1(field);
}

const QList<TaskList::Column> &TaskList::columns()
{
    return kColumns;
}

QStringList TaskList::hiddenFields()
{
    return {QStringLiteral("ID"), QStringLiteral("Vazlojil_Klient"), QStringLiteral("Povtorenie")};
}

// Tasks in the order they were given; a title click orders the first line anew.
const QString kInTaskOrder = QStringLiteral("\n ORDER BY Zada4i_Zadanie.ID");

TaskList::ListQuery TaskList::allTasks()
{
    return {selectAll() + kInTaskOrder, {}};
}

QStringList TaskList::comparisonTitles()
{
    return {QStringLiteral("равно"), QStringLiteral("по - голямо"), QStringLiteral("по - малко"),
            QStringLiteral("между")};
}

std::optional<TaskList::ListQuery> TaskList::search(int column, const QString &comparison,
                                                    const QString &text, const QDateTime &from,
                                                    const QDateTime &to)
{
    if (column < 0 || column >= kColumns.size())
        return std::nullopt;
    const Column &c = kColumns.at(column);
    const QString col = c.qualified();
    if (c.kind == Kind::Text) {
        // An assigner that is gone has no name: it still contains the empty text.
        return ListQuery{selectAll() + QStringLiteral(" WHERE UPPER(COALESCE(") + col
                             + QStringLiteral(", '')) LIKE UPPER(?) ESCAPE '\\'") + kInTaskOrder,
                         {Db::likeContains(text)}};
    }

    // Lower and upper stored text of each bound: a date is itself, a time
    // its whole minute.
    auto low = [&](const QDateTime &v) {
        return c.kind == Kind::Date ? Dates::toIso(v.date()) : minuteText(v.time(), 0);
    };
    auto high = [&](const QDateTime &v) {
        return c.kind == Kind::Date ? Dates::toIso(v.date()) : minuteText(v.time(), 59);
    };
    const QStringList titles = comparisonTitles();
    const int which = titles.indexOf(comparison);
    QString condition;
    QVariantList params;
    switch (which) {
    case 0: // равно
        condition = col + QStringLiteral(" BETWEEN ? AND ?");
        params = {low(from), high(from)};
        break;
    case 1: // по - голямо
        condition = col + QStringLiteral(" >= ?");
        params = {low(from)};
        break;
    case 2: // по - малко
        condition = col + QStringLiteral(" <= ?");
        params = {high(from)};
        break;
    case 3: // между
        condition = col + QStringLiteral(" BETWEEN ? AND ?");
        params = {low(from), high(to)};
        break;
    default:
        return std::nullopt;
    }
    return ListQuery{selectAll() + QStringLiteral(" WHERE ") + condition + kInTaskOrder, params};
}
