#include "offers/tasks.h"

#include "app/list_export.h"
#include "common/dates.h"
#include "common/reference_text.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QVariantList>

namespace {
const QString kColumns = QStringLiteral(
    "Opisanie_Z, Izpalniteli, Status, Vazlojil_Klient, D_Vazlagane, T_Vazlagane, D_Izpalnenie, "
    "T_Izpalnenie, Zabel, Povtorenie");

QVariantList values(const Tasks::Task &t)
{
    return {t.description,
            t.performers,
            t.status,
            t.assigner,
            Dates::toIso(t.assignedDate),
            Dates::timeText(t.assignedTime),
            Dates::toIso(t.dueDate),
            Dates::timeText(t.dueTime),
            t.note,
            t.repetition};
}

// Times are kept to the second, as stored.
QTime toSecond(const QTime &t)
{
    return t.isValid() ? QTime(t.hour(), t.minute(), t.second()) : QTime(0, 0);
}
} // namespace

QStringList Tasks::changeStatuses()
{
    return {QString::fromUtf8(StatusRunning), QString::fromUtf8(StatusPostponed),
            QString::fromUtf8(StatusDone)};
}

QStringList Tasks::repetitionTitles()
{
    return {QStringLiteral("еднократно"), QStringLiteral("всеки час"), QStringLiteral("всеки ден"),
            QStringLiteral("всяка седмица"), QStringLiteral("всеки месец")};
}

QDateTime Tasks::dueMoment(int repetition, const QDateTime &assigned, const QDateTime &currentDue)
{
    switch (repetition) {
    case Hourly:
        return assigned.addSecs(3600);
    case Daily:
        return QDateTime(assigned.date().addDays(1), assigned.time());
    case Weekly:
        return QDateTime(assigned.date().addDays(7), assigned.time());
    case Monthly:
        return QDateTime(assigned.date().addDays(30), assigned.time());
    default:
        return currentDue;
    }
}

Tasks::MomentCheck Tasks::checkMoments(const Task &t)
{
    if (t.assignedDate > t.dueDate)
        return MomentCheck::DueDateEarlier;
    if (t.assignedDate == t.dueDate && toSecond(t.dueTime) < toSecond(t.assignedTime))
        return MomentCheck::DueTimeEarlier;
    return MomentCheck::Ok;
}

long long Tasks::insert(const Task &t)
{
    WriteTransaction tx;
    const long long id = Db::insert(QStringLiteral("INSERT INTO Zada4i_Zadanie (") + kColumns
                                        + QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                                    values(t), QStringLiteral("ID"));
    tx.commit();
    return id;
}

bool Tasks::update(const Task &t)
{
    WriteTransaction tx;
    QVariantList params = values(t);
    params.append(t.id);
    const int changed = Db::execute(
        QStringLiteral("UPDATE Zada4i_Zadanie SET Opisanie_Z = ?, Izpalniteli = ?, Status = ?, "
                       "Vazlojil_Klient = ?, D_Vazlagane = ?, T_Vazlagane = ?, D_Izpalnenie = ?, "
                       "T_Izpalnenie = ?, Zabel = ?, Povtorenie = ? WHERE ID = ?"),
        params);
    if (changed != 1)
        return false; // rolled back
    tx.commit();
    return true;
}

Tasks::Task Tasks::fromRecord(const QSqlRecord &r)
{
    Task t;
    t.id = r.value(QStringLiteral("ID")).toLongLong();
    t.description = r.value(QStringLiteral("Opisanie_Z")).toString();
    t.performers = r.value(QStringLiteral("Izpalniteli")).toString();
    t.status = r.value(QStringLiteral("Status")).toString();
    bool ok = false;
    t.assigner = r.value(QStringLiteral("Vazlojil_Klient")).toLongLong(&ok);
    if (!ok)
        t.assigner = -1;
    t.assignedDate = Dates::fromIso(r.value(QStringLiteral("D_Vazlagane")).toString());
    t.assignedTime = Dates::fromTimeText(r.value(QStringLiteral("T_Vazlagane")).toString());
    t.dueDate = Dates::fromIso(r.value(QStringLiteral("D_Izpalnenie")).toString());
    t.dueTime = Dates::fromTimeText(r.value(QStringLiteral("T_Izpalnenie")).toString());
    t.note = r.value(QStringLiteral("Zabel")).toString();
    t.repetition = qBound(0, r.value(QStringLiteral("Povtorenie")).toInt(), int(Monthly));
    return t;
}

std::optional<Tasks::Task> Tasks::load(long long id)
{
    const auto row = Db::firstRow(QStringLiteral("SELECT ID, ") + kColumns
                                      + QStringLiteral(" FROM Zada4i_Zadanie WHERE ID = ?"),
                                  {id});
    if (!row)
        return std::nullopt;
    return fromRecord(*row);
}

long long Tasks::assignerKey(const QString &editText)
{
    // Only a pick writes "ID:Name"; a bare number typed by hand names nothing.
    if (!editText.contains(QLatin1Char(':')))
        return -1;
    const int key = GetID_MFromTreeNodeName(editText);
    return key > 0 ? key : -1;
}

Tasks::RowColour Tasks::rowColour(const QString &status, const QString &dueIso, const QDateTime &now)
{
    const QString s = status.trimmed().toUpper();
    if (s == QString::fromUtf8(StatusRunning).toUpper())
        return RowColour::Green;
    if (s == QString::fromUtf8(StatusPostponed).toUpper())
        return RowColour::Blue;
    if (s == QString::fromUtf8(StatusAssigned).toUpper()) {
        const QDate due = Dates::fromIso(dueIso);
        // Due today counts as reached for the whole day.
        if (due.isValid() && now > QDateTime(due, QTime(0, 0)))
            return RowColour::Red;
    }
    return RowColour::Plain;
}

QStringList Tasks::protocolLines(const Task &t, const QString &assignerText, const QString &firmName,
                                 const QString &firmAddress, const QDateTime &now)
{
    const QString tab = QStringLiteral("\t");
    const QString material =
        QStringLiteral("|......................................................|.........|............|............|");
    QStringList l;
    l << QString();
    l << tab + firmName.toUpper() + tab + firmAddress.toUpper();
    l << QString() << QString();
    l << QStringLiteral("\tПРОТОКОЛ ЗА ИЗПЪЛНЕНИЕ НА ВЪЗЛОЖЕНА ДЕЙНОСТ ");
    l << QString();
    l << QStringLiteral("\tДата:") + Dates::toShort(now.date()) + QLatin1Char(' ')
             + Dates::timeText(now.time());
    l << QStringLiteral("\tЗАДАНИЕ N:") + (t.id > 0 ? QString::number(t.id) : QString())
             + QStringLiteral("\tОт дата:") + Dates::toShort(t.assignedDate);
    l << QStringLiteral("\tВЪЗЛОЖИТЕЛ: ") + assignerText;
    l << QStringLiteral("\tЗАДАНИЕ: ") + t.description;
    l << QStringLiteral("\tИЗПЪЛНИТЕЛИ: ") + t.performers;
    l << QString();
    l << QStringLiteral("\tПрестой:От ............. До ............. ");
    l << QString();
    l << QStringLiteral("\tТруд /на час/:...................");
    l << QString();
    l << QStringLiteral("\tРазстояние /в км/ :..............");
    l << QString();
    l << QStringLiteral("\t|N|------------------ВЛОЖЕНИ ЕЛЕМЕНТИ--------------------|---КОЛ---|--ЕД.ЦЕНА---|----ОБЩО----|");
    for (int n = 1; n <= 4; ++n) {
        l << QString();
        l << QStringLiteral("\t|%1").arg(n) + material;
    }
    l << QString();
    l << QStringLiteral("\tОбщо дължима сума:..............");
    l << QString();
    l << QStringLiteral("\tВид плащане:..............") + QStringLiteral("\tДокумент N:................; От дата : ............ г");
    l << QString();
    l << QStringLiteral("\tВЪЗЛОЖИТЕЛ:................                               ИЗПЪЛНИТЕЛ:................");
    l << QStringLiteral("\t          /   име/подпис  /                                         /   име/подпис  /");
    l << QString();
    l << tab + ReportFooter;
    return l;
}
