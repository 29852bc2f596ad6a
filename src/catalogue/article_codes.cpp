#include "catalogue/article_codes.h"

#include "common/dates.h"
#include "platform/db/database.h"
#include "platform/db/transaction.h"

#include <QSqlRecord>
#include <QVariant>

QStringList ArticleCodes::barcodes(long long article)
{
    QStringList list;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT Barkode FROM Barkodes WHERE ID = ? ORDER BY rowid"), {article}))
        list.append(r.value(0).toString());
    return list;
}

void ArticleCodes::addBarcode(long long article, const QString &code)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("INSERT INTO Barkodes (ID, Barkode) VALUES (?, ?)"), {article, code});
    tx.commit();
}

bool ArticleCodes::changeBarcode(long long article, const QString &oldCode, const QString &newCode)
{
    WriteTransaction tx;
    const int n = Db::execute(QStringLiteral("UPDATE Barkodes SET Barkode = ? WHERE ID = ? AND Barkode = ?"),
                              {newCode, article, oldCode});
    tx.commit();
    return n > 0;
}

bool ArticleCodes::removeBarcode(long long article, const QString &code)
{
    WriteTransaction tx;
    const int n = Db::execute(QStringLiteral("DELETE FROM Barkodes WHERE Barkode = ? AND ID = ?"), {code, article});
    tx.commit();
    return n > 0;
}

QList<CatalogueNumber> ArticleCodes::catalogueNumbers(long long article)
{
    QList<CatalogueNumber> list;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Nomenklatures.Nomenkl_N, Nomenklatures.ID_Kontrag, "
                                                       "Firmi.Ime_Firma FROM Nomenklatures, Firmi "
                                                       "WHERE Nomenklatures.ID = ? AND Firmi.ID = Nomenklatures.ID_Kontrag "
                                                       "ORDER BY Nomenklatures.rowid"),
                                        {article})) {
        CatalogueNumber n;
        n.number = r.value(0).toString();
        n.counterparty = r.value(1).toLongLong();
        n.counterpartyName = r.value(2).toString();
        list.append(n);
    }
    return list;
}

void ArticleCodes::addCatalogueNumber(long long article, const QString &number, long long counterparty)
{
    WriteTransaction tx;
    Db::execute(QStringLiteral("INSERT INTO Nomenklatures (ID, Nomenkl_N, ID_Kontrag) VALUES (?, ?, ?)"),
                {article, number, counterparty});
    tx.commit();
}

bool ArticleCodes::changeCatalogueNumber(long long article, const CatalogueNumber &old, const QString &number,
                                         long long counterparty)
{
    WriteTransaction tx;
    const int n = Db::execute(QStringLiteral("UPDATE Nomenklatures SET Nomenkl_N = ?, ID_Kontrag = ? "
                                             "WHERE ID = ? AND Nomenkl_N = ? AND ID_Kontrag = ?"),
                              {number, counterparty, article, old.number, old.counterparty});
    tx.commit();
    return n > 0;
}

bool ArticleCodes::removeCatalogueNumber(long long article, const CatalogueNumber &row)
{
    WriteTransaction tx;
    const int n = Db::execute(
        QStringLiteral("DELETE FROM Nomenklatures WHERE Nomenkl_N = ? AND ID = ? AND ID_Kontrag = ?"),
        {row.number, article, row.counterparty});
    tx.commit();
    return n > 0;
}

QStringList ArticleCodes::serials(long long article)
{
    QStringList list;
    for (const QSqlRecord &r :
         Db::rows(QStringLiteral("SELECT Serial_ID FROM Serials WHERE ID = ? ORDER BY rowid"), {article}))
        list.append(r.value(0).toString());
    return list;
}

QString ArticleCodes::serialHint(const QString &serial)
{
    const auto r = Db::firstRow(
        QStringLiteral("SELECT Rab_Dokumenti.Opisanie AS Ime_Dok, Garancia_dostavtchik.Data, "
                       "Garancia_dostavtchik.ID_Dok, Firmi.Ime_Firma AS Firma, Serials.Data AS Valid_Do, "
                       "Garancia_dostavtchik.Zabel "
                       "FROM Serials, Garancia_dostavtchik, Firmi, Rab_Dokumenti "
                       "WHERE Serials.Serial_ID = ? AND Garancia_dostavtchik.ID = Serials.ID_Karta "
                       "AND Garancia_dostavtchik.ID_Kontrag = Firmi.ID "
                       "AND Garancia_dostavtchik.Vid_Dok = Rab_Dokumenti.ID"),
        {serial});
    if (!r)
        return {};
    auto text = [&](const char *field) { return r->value(QString::fromLatin1(field)).toString(); };
    const QStringList parts = {
        QStringLiteral("Вид документ: ") + text("Ime_Dok"),
        QStringLiteral("От Дата: ") + Dates::isoToShort(text("Data")),
        QStringLiteral("Номер на документ: ") + text("ID_Dok"),
        QStringLiteral("Доставчик: ") + text("Firma"),
        QStringLiteral("Валиден до: ") + Dates::isoToShort(text("Valid_Do")),
        QStringLiteral("Забележка: ") + text("Zabel"),
    };
    return parts.join(QStringLiteral(";\r")) + QLatin1Char(';');
}
