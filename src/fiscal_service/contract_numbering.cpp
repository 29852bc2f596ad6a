#include "fiscal_service/contract_numbering.h"

#include "common/dates.h"
#include "common/record_values.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

namespace {
bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

long long nextOf(const QVariant &max)
{
    return max.isNull() ? 1 : max.toLongLong() + 1;
}

// Serials are compared as numbers: as texts "999" would sort above "1234".
QString maxSerial()
{
    return QStringLiteral("SELECT MAX(%1) FROM Dogovor").arg(Db::leadingInteger(QStringLiteral("Dog_ID")));
}

// Another device's contract has the number: its prefix with a serial of the
// same value in any width (in daily mode serials repeat across days, so the
// prefix counts), or the same digits as shown whole.
bool numberTaken(const ContractNumbering::Split &s, const QString &device)
{
    return Db::firstRow(QStringLiteral("SELECT EKA FROM Dogovor WHERE EKA <> ? AND ("
                                       "(COALESCE(Prefics_ID, '') = COALESCE(?, '') AND COALESCE(Dog_ID, '') <> '' "
                                       "AND LTRIM(Dog_ID, '0') = LTRIM(?, '0')) "
                                       "OR COALESCE(Prefics_ID, '') || COALESCE(Dog_ID, '') = ?)"),
                        {device, s.prefix, s.serial, ContractNumbering::whole(s)})
        .has_value();
}
} // namespace

ContractNumbering::Rules ContractNumbering::coupled(Rules r)
{
    r.dated = r.dated || r.daily;
    r.split = r.split || r.dated;
    return r;
}

ContractNumbering::Rules ContractNumbering::readRules()
{
    Rules r;
    r.digits = static_cast<int>(Settings::readInteger(Keys::Tuning_15));
    r.split = Settings::readBool(Keys::Tuning_16);
    r.dated = Settings::readBool(Keys::Tuning_17);
    r.daily = Settings::readBool(Keys::Tuning_18);
    return coupled(r);
}

QString ContractNumbering::datePrefix(const QDate &date)
{
    return date.toString(QStringLiteral("ddMMyyyy")) + QStringLiteral("--");
}

long long ContractNumbering::dailyCounter(const QDate &date)
{
    return nextOf(Db::scalar(maxSerial() + QStringLiteral(" WHERE Dog_Ot = ?"),
                             {Dates::toIso(date)}));
}

long long ContractNumbering::nextSerial()
{
    return nextOf(Db::scalar(maxSerial()));
}

QString ContractNumbering::serialText(long long serial, int digits)
{
    return FORMAT_NUMBERS(QString::number(serial), digits);
}

QString ContractNumbering::propose(const Rules &rules, const QDate &date)
{
    const Rules r = coupled(rules);
    const long long serial = r.daily ? dailyCounter(date) : nextSerial();
    const QString s = serialText(serial, r.digits);
    return r.dated ? datePrefix(date) + s : s;
}

ContractNumbering::Split ContractNumbering::split(const QString &number, const Rules &rules)
{
    const QString t = number.trimmed();
    if (coupled(rules).split && t.mid(8, 2) == QLatin1String("--") && allDigits(t.left(8)))
        return {t.left(8), t.mid(10)};
    return {QString(), t};
}

Contracts::Stored Contracts::latest(const QString &device)
{
    Stored s;
    // The same contract the device view shows: the latest valid-until date.
    const auto row = Db::firstRow(QStringLiteral("SELECT Prefics_ID, Dog_ID, Vid_Dog, Dog_Ot, Valid_Do FROM Dogovor "
                                                 "WHERE EKA = ? ORDER BY Valid_Do DESC"),
                                  {device.trimmed().toUpper()});
    if (!row)
        return s;
    s.exists = true;
    s.prefix = row->value(0).toString();
    s.serial = row->value(1).toString();
    s.kind = row->value(2).toString();
    s.from = Dates::fromIso(row->value(3).toString());
    s.until = Dates::fromIso(row->value(4).toString());
    return s;
}

QString Contracts::message(Result result)
{
    switch (result) {
    case Result::Saved:
    case Result::NothingToDo: return {};
    case Result::NoDevice: return QStringLiteral("Устройството не е регистрирано");
    case Result::BadNumber: return QStringLiteral("Невалиден номер на договор");
    case Result::NumberTaken: return QStringLiteral("Номерът на договора е зает");
    case Result::BadDates: return QStringLiteral("Датата на валидност трябва да е след датата на сключване");
    }
    return {};
}

Contracts::Result Contracts::save(const Input &in, const ContractNumbering::Rules &rules, ContractNumbering::Split *stored)
{
    using namespace ContractNumbering;
    const QString device = in.device.trimmed().toUpper();
    if (device.isEmpty())
        return Result::NoDevice;
    if (in.existingFlag != 0 && in.existingFlag != 1)
        return Result::NothingToDo;
    if (!in.from.isValid() || !in.until.isValid() || in.until <= in.from)
        return Result::BadDates;
    const QString typed = in.number.trimmed();

    WriteTransaction t;
    if (!Db::firstRow(QStringLiteral("SELECT EKA FROM Reg_EKA WHERE EKA = ?"), {device}))
        return Result::NoDevice;
    Split s;
    if (!in.proposed.isEmpty() && typed == in.proposed)
        s = split(propose(rules, in.numberingDate), rules); // the proposal, numbered afresh
    else if (in.shown.exists && typed == in.shown.prefix + in.shown.serial)
        s = {in.shown.prefix, in.shown.serial}; // unchanged: the stored split stays
    else
        s = split(typed, rules);
    if (!allDigits(s.serial) || !(s.prefix.isEmpty() || allDigits(s.prefix)))
        return Result::BadNumber;
    if (numberTaken(s, device))
        return Result::NumberTaken;
    const QVariantList values{s.serial, s.prefix, in.kind, Dates::toIso(in.from), Dates::toIso(in.until), device};
    int updated = 0;
    if (in.existingFlag == 1)
        updated = Db::execute(QStringLiteral("UPDATE Dogovor SET Dog_ID = ?, Prefics_ID = ?, Vid_Dog = ?, Dog_Ot = ?, "
                                             "Valid_Do = ? WHERE EKA = ?"),
                              values);
    if (updated == 0) // no row to rewrite: the contract is inserted, never lost
        Db::execute(QStringLiteral("INSERT INTO Dogovor (Dog_ID, Prefics_ID, Vid_Dog, Dog_Ot, Valid_Do, EKA) "
                                   "VALUES (?, ?, ?, ?, ?, ?)"),
                    values);
    t.commit();
    if (stored)
        *stored = s;
    return Result::Saved;
}
