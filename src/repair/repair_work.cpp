#include "repair/repair_work.h"

#include "common/dates.h"
#include "common/money.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

namespace {
struct Column {
    const char *select; // the expression listed
    const char *field;  // what a condition compares
    const char *title;
    RepairWork::Input input;
};
// Grid order; the index is the search criterion.
const Column kColumns[RepairWork::CriterionCount] = {
    {"Priem_Ser.N_Prodajba", "Priem_Ser.N_Prodajba", "N", RepairWork::Input::Text},
    {"Status_Remont.Opisanie AS Status_Rem", "Priem_Ser.Status", "Статус", RepairWork::Input::State},
    {"Priem_Ser.Barkod", "CAST(Priem_Ser.Barkod AS TEXT)", "Арт. N", RepairWork::Input::Text},
    {"Priem_Ser.S_N", "Priem_Ser.S_N", "Сер. N", RepairWork::Input::Text},
    {"Priem_Ser.Opisanie", "Priem_Ser.Opisanie", "Описание", RepairWork::Input::Text},
    {"Priem_Ser.Model", "Priem_Ser.Model", "Модел", RepairWork::Input::Text},
    {"Priem_Ser.Partida", "Priem_Ser.Partida", "Партида", RepairWork::Input::Text},
    {"Priem_Ser.Pri4ina", "Priem_Ser.Pri4ina", "Причина", RepairWork::Input::Text},
    {"Priem_Ser.Data_Priem", "Priem_Ser.Data_Priem", "Дата на приемане", RepairWork::Input::Date},
    {"Priem_Ser.Operator", "Priem_Ser.Operator", "Оператор", RepairWork::Input::Text},
    {"Priem_Ser.Gar_Dok_N", "Priem_Ser.Gar_Dok_N", "Гаранц. док. N", RepairWork::Input::Text},
    {"Priem_Ser.Data_Gar_Dok", "Priem_Ser.Data_Gar_Dok", "Дата док.", RepairWork::Input::Date},
    {"Firmi.Ime_Firma", "Firmi.ID", "Контрагент", RepairWork::Input::Counterparty},
    {"Priem_Ser.Krai_Data", "Priem_Ser.Krai_Data", "Ремонт до дата", RepairWork::Input::Date},
};

bool validCriterion(int c)
{
    return c >= 0 && c < RepairWork::CriterionCount;
}
} // namespace

namespace RepairWork {
Input inputOf(int criterion)
{
    return validCriterion(criterion) ? kColumns[criterion].input : Input::Text;
}

QStringList criterionTitles()
{
    QStringList out;
    for (const Column &c : kColumns)
        out << QString::fromUtf8(c.title);
    return out;
}

QString criterionField(int criterion)
{
    return validCriterion(criterion) ? QString::fromLatin1(kColumns[criterion].field) : QString();
}

QString searchQuery(const Search &search, Query *query)
{
    QStringList selected;
    for (const Column &c : kColumns)
        selected << QString::fromLatin1(c.select);
    selected << QStringLiteral("Priem_Ser.Status") << QStringLiteral("Priem_Ser.ID_Kontrag")
             << QStringLiteral("Status_Remont.Color");
    QString sql = QStringLiteral("SELECT ") + selected.join(QStringLiteral(", "))
                  + QStringLiteral(" FROM Priem_Ser JOIN Firmi ON Firmi.ID = Priem_Ser.ID_Kontrag"
                                   " LEFT JOIN Status_Remont ON Status_Remont.ID = Priem_Ser.Status");
    QVariantList params;
    const int c = search.criterion;
    if (validCriterion(c)) {
        const QString field = criterionField(c);
        switch (kColumns[c].input) {
        case Input::Text:
            if (c == 0) {
                // An empty number lists every intake, as an empty text does.
                const QString typed = search.text.trimmed();
                if (!typed.isEmpty()) {
                    long long number = 0;
                    if (!Numbers::parseInteger(typed, &number))
                        return QStringLiteral("Номерът на приемане трябва да е цяло число");
                    sql += QStringLiteral(" WHERE ") + field + QStringLiteral(" = ?");
                    params << number;
                }
            } else {
                sql += QStringLiteral(" WHERE UPPER(COALESCE(") + field + QStringLiteral(", '')) LIKE UPPER(?) ESCAPE '\\'");
                params << Db::likeContains(search.text);
            }
            break;
        case Input::State:
            sql += QStringLiteral(" WHERE ") + field + QStringLiteral(" = ?");
            params << search.stateId;
            break;
        case Input::Date:
            sql += QStringLiteral(" WHERE ") + field + QStringLiteral(" = ?");
            params << Dates::toIso(search.date);
            break;
        case Input::Counterparty:
            sql += QStringLiteral(" WHERE ") + field + QStringLiteral(" = ?");
            params << search.counterparty;
            break;
        }
    }
    sql += QStringLiteral(" ORDER BY Priem_Ser.N_Prodajba");
    query->sql = sql;
    query->params = params;
    return {};
}

Query linesQuery(long long intake)
{
    return {QStringLiteral("SELECT Remont.ID, Remont.Zamqna, Remont.SN, Remont.Remont, Remont.Kol, Remont.Ed_Cena,"
                           " Remont.Valuta, Remont.Kol * Remont.Ed_Cena * Valuti.Kurs AS Suma, Remont.Garan_Remont,"
                           " Remont.Oper_Remont, Remont.N_Priem, Valuti.Kurs"
                           " FROM Remont LEFT JOIN Valuti ON Valuti.Opisanie = Remont.Valuta"
                           " WHERE Remont.N_Priem = ? ORDER BY Remont.ID"),
            {intake}};
}

Decimal linesTotal(const QList<QSqlRecord> &lines, int decimals)
{
    ExactSum sum;
    for (const QSqlRecord &r : lines) {
        const QVariant rate = r.value(QStringLiteral("Kurs"));
        if (!rate.isNull())
            sum += Money::lineAmount(Decimal::fromVariant(r.value(QStringLiteral("Kol"))),
                                     Decimal::fromVariant(r.value(QStringLiteral("Ed_Cena"))),
                                     Decimal::fromVariant(rate), Decimal());
    }
    return sum.rounded(decimals);
}

QStringList lineTitles()
{
    return {QStringLiteral("N"),        QStringLiteral("Заменен"), QStringLiteral("Сериен номер"),
            QStringLiteral("Заменен елемент / Ремонт"), QStringLiteral("Кол."), QStringLiteral("Цена"),
            QStringLiteral("Валута"),   QStringLiteral("Общо в лв"), QStringLiteral("Гаранция"),
            QStringLiteral("Извършил ремонта")};
}

AddResult addLine(long long intake, const Line &line)
{
    WriteTransaction tx;
    if (!Db::scalar(QStringLiteral("SELECT N_Prodajba FROM Priem_Ser WHERE N_Prodajba = ?"), {intake}).isValid())
        return AddResult::IntakeGone;
    Db::execute(QStringLiteral("INSERT INTO Remont (N_Priem, Remont, Kol, Ed_Cena, Valuta, Garan_Remont, SN, Zamqna,"
                               " Oper_Remont) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {intake, line.remont, line.kol, line.price, line.currency,
                 line.warranty.isValid() ? QVariant(Dates::toIso(line.warranty)) : QVariant(QString()),
                 line.serial, line.replaced ? QStringLiteral("True") : QStringLiteral("False"), line.operatorName});
    tx.commit();
    return AddResult::Added;
}

void deleteLine(long long lineId)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("DELETE FROM Remont WHERE ID = ?"), {lineId});
    tx.commit();
}

void setState(long long intake, long long stateId)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("UPDATE Priem_Ser SET Status = ? WHERE N_Prodajba = ?"), {stateId, intake});
    tx.commit();
}

QDate warrantyUntil(const QDate &today, WarrantyUnit unit, int count)
{
    switch (unit) {
    case WarrantyUnit::Days:
        return today.addDays(count);
    case WarrantyUnit::Months:
        return today.addDays(30LL * count); // thirty days a month, not calendar months
    case WarrantyUnit::UntilDate:
        break;
    }
    return today;
}

bool isOverdue(const QDate &today, const QString &receivedIso, const QString &dueIso)
{
    const QDate due = Dates::fromIso(dueIso);
    if (!due.isValid() || receivedIso == dueIso)
        return false;
    return today > due;
}

QList<long long> withoutLines(const QList<long long> &intakes)
{
    QList<long long> out;
    for (long long n : intakes)
        if (!Db::scalar(QStringLiteral("SELECT ID FROM Remont WHERE N_Priem = ? LIMIT 1"), {n}).isValid())
            out << n;
    return out;
}

QString withoutLinesQuestion(const QList<long long> &intakes)
{
    QStringList numbers;
    for (long long n : intakes)
        numbers << QString::number(n);
    return QStringLiteral("Без въведен ремонт са приемания N: ") + numbers.join(QStringLiteral(", "))
           + QStringLiteral(".\nЖелаете ли да бъдат издадени?");
}

int issue(const QList<long long> &intakes, const QDate &day, const QTime &time)
{
    WriteTransaction tx;
    int issued = 0;
    // From the last marked to the first.
    for (auto it = intakes.crbegin(); it != intakes.crend(); ++it) {
        const long long n = *it;
        if (!Db::scalar(QStringLiteral("SELECT N_Prodajba FROM Priem_Ser WHERE N_Prodajba = ?"), {n}).isValid())
            continue; // issued meanwhile at another workstation
        Db::execute(QStringLiteral("INSERT INTO R_Remont (N_Priem, Remont, Kol, ED_Cena, Valuta, Garan_Remont, SN,"
                                   " Zamqna, Oper_Remont) SELECT N_Priem, Remont, Kol, Ed_Cena, Valuta, Garan_Remont,"
                                   " SN, Zamqna, Oper_Remont FROM Remont WHERE N_Priem = ? ORDER BY ID"),
                    {n});
        Db::execute(QStringLiteral("INSERT INTO R_Priem (N_Priem, Barkod, S_N, Opisanie, Pri4ina, Gar, Gar_Dok_N,"
                                   " Data_Gar_Dok, ID_Kontrag, Data_Priem, Time_Priem, Operator, Pred_Cena_Remont,"
                                   " Valuta, ID_Dostav4ik, Model, Partida, Dosie_ID, Data_Izd, Time_Izd)"
                                   " SELECT N_Prodajba, Barkod, S_N, Opisanie, Pri4ina, Gar, Gar_Dok_N, Data_Gar_Dok,"
                                   " ID_Kontrag, Data_Priem, Time_Priem, Operator, Pred_Cena_Remont, Valuta,"
                                   " ID_Dostav4ik, Model, Partida, Dosie_ID, ?, ? FROM Priem_Ser WHERE N_Prodajba = ?"),
                    {Dates::toIso(day), Dates::timeText(time), n});
        Db::execute(QStringLiteral("DELETE FROM Remont WHERE N_Priem = ?"), {n});
        Db::execute(QStringLiteral("DELETE FROM Priem_Ser WHERE N_Prodajba = ?"), {n});
        ++issued;
    }
    tx.commit();
    return issued;
}
} // namespace RepairWork
