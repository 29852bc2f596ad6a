#include "offers/offer_document.h"

#include "app/list_export.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QVariant>

OfferDocument::Customer OfferDocument::customer(long long id)
{
    if (id <= 0)
        return {};
    const auto row = Db::firstRow(QStringLiteral("SELECT Ime_Firma, Telefon FROM Firmi WHERE ID = ?"), {id});
    if (!row)
        return {};
    return {row->value(0).toString(), row->value(1).toString()};
}

QStringList OfferDocument::headLines(const Content &c)
{
    QStringList l;
    l << QString() << QStringLiteral(" ОФЕРТА ").rightJustified(40) << QString()
      << QStringLiteral("До: ") + c.customer.name;
    if (c.withPhone)
        l << QStringLiteral("Тел: ") + c.customer.phone;
    l << QString() << QString()
      << QStringLiteral("Днес ") + c.today + QStringLiteral(", представител на ")
             + Settings::readString(Keys::Firm_Data_Name).leftJustified(35, QLatin1Char(' '), true)
      << QStringLiteral("представлявано от  ") + Settings::readString(Keys::Firm_Data_Mol)
      << QStringLiteral("със седалище и адрес на управление ") + Settings::readString(Keys::Firm_Data_Adress)
      << QStringLiteral("Телефон: ") + Settings::readString(Keys::Firm_Data_Phone)
      << QStringLiteral("Булстат: ") + Settings::readString(Keys::Firm_Data_EIK)
      << QStringLiteral("Сметка: ") + Settings::readString(Keys::Firm_Data_IBAN)
      << QStringLiteral("Код: ") + Settings::readString(Keys::Firm_Data_BIC)
      << QStringLiteral("При банка: ") + Settings::readString(Keys::Firm_Data_Bank) << QString()
      << QStringLiteral("предлага на вашето внимание следното: ") << QString();
    return l;
}

QStringList OfferDocument::tailLines(const Content &c)
{
    QStringList l;
    l << QString() << QString()
      << QStringLiteral("На обща стойност в лева: ") + Money::formatWidth(c.total, 4, c.decimals) + QLatin1Char(' ')
      << QStringLiteral("Предплата: ") + c.avansTyped + QLatin1Char(' ')
      << QStringLiteral("Оставаща сума в лева: ") + Money::formatWidth(c.total - c.avans, 4, c.decimals)
             + QLatin1Char(' ')
      << QString() << QString() << QString() << QString()
      << QStringLiteral("      Приел:...........             Предал:..............   ") << QString()
      << QStringLiteral("      /               /              ") + c.operatorName;
    return l;
}

bool OfferDocument::write(const Content &c, const QTableView *grid, QString *path, QString *error)
{
    ListExport file(QStringLiteral("Oferts"));
    *path = file.filePath();
    file.addLines(headLines(c));
    file.PRINT_INTO(grid);
    file.addLines(tailLines(c));
    file.addReportFooter(); // its two empty lines close the names line
    if (!file.finish()) {
        *error = file.failureMessage();
        return false;
    }
    return true;
}

void OfferDocument::copyToOrderList(const QList<QSqlRecord> &lines, const QString &klientIme)
{
    const QString today = Dates::todayIso();
    WriteTransaction tx;
    for (const QSqlRecord &r : lines)
        Db::execute(QStringLiteral("INSERT INTO Zaqvki_All (Data, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, "
                                   "Klient_Ime, Dost_Ime) VALUES (?, 0, ?, ?, ?, ?, ?, ?, ?)"),
                    {today, r.value(QStringLiteral("Kat_N")), r.value(QStringLiteral("Opisanie")),
                     r.value(QStringLiteral("Kol")).toDouble(), r.value(QStringLiteral("Cena_2")).toDouble(),
                     r.value(QStringLiteral("Valuta")), klientIme, r.value(QStringLiteral("Firma"))});
    tx.commit();
}
