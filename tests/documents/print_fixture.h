#pragma once
#include "documents/layout_document.h"
#include "documents/layout_save.h"
#include "platform/db/database.h"

#include <QList>
#include <QPair>
#include <QString>

// Data the document printing tests share: a counterparty 7 (firm in
// "Пловдив", its person 3 in "Варна"), articles 12 (group 5) and 40, a
// euro rate, operators Иван and Мария, and open lines
// 1 (12 by Иван, BGN), 2 (40 by Иван, EUR), 3 (12 by Мария, 5 pieces).
namespace PrintFixture {
inline void fill()
{
    auto run = [](const char *sql, const QVariantList &v = {}) { Db::execute(QString::fromUtf8(sql), v); };
    run("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False')");
    run("INSERT INTO Klienti (ID, Ime_Klient, Grad) VALUES (3, 'Петър Петров', 'Варна')");
    run("INSERT INTO Firmi (ID, Ime_Firma, Grad, ID_Mol) VALUES (7, 'Фирма ООД', 'Пловдив', 3)");
    run("INSERT INTO Grupi (ID, Opisanie) VALUES (5, 'Кабели')");
    run("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) VALUES (12, 'Кабел', 5, 2.5, 'BGN')");
    run("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) VALUES (40, 'Щепсел', 0, 1, 'EUR')");
    run("INSERT INTO Operators (Ime, Par, Prava) VALUES ('Иван', 'x', ''), ('Мария', 'x', '')");
    const char *line = "INSERT INTO Prodajbi_Vremenni (N_Prodajba, Barkod, Opisanie, Kol, Ed_Cena, Valuta, "
                       "Operator, T_O, Sm_N, Term_N) VALUES (?, ?, ?, ?, ?, ?, ?, 0, 0, 1)";
    run(line, {1, 12, QStringLiteral("Кабел"), 1.0, 2.5, QStringLiteral("BGN"), QStringLiteral("Иван")});
    run(line, {2, 40, QStringLiteral("Щепсел"), 2.0, 1.0, QStringLiteral("EUR"), QStringLiteral("Иван")});
    run(line, {3, 12, QStringLiteral("Кабел"), 5.0, 2.5, QStringLiteral("BGN"), QStringLiteral("Мария")});
}

inline Layout::Element field(const QString &table, const QString &name, int index)
{
    Layout::Element e;
    e.kind = Layout::Kind::DataField;
    e.band = Layout::Band::Detail;
    e.name = QStringLiteral("QRDBText%1").arg(index);
    e.table = table;
    e.field = name;
    e.top = 2;
    e.left = 10 + 150 * (index - 1);
    e.width = 140;
    return e;
}

// A layout of the given data fields ("Table", "Field").
inline Layout::Document layout(const QList<QPair<QString, QString>> &fields)
{
    Layout::Document d;
    d.headerHeight = 40;
    d.detailHeight = 24;
    d.footerHeight = 20;
    int i = 0;
    for (const auto &[t, f] : fields)
        d.elements.append(field(t, f, ++i));
    return d;
}

// Saves a layout and registers its document with the number text and where-used text.
inline bool save(const QString &name, const Layout::Document &d, const QString &number = QStringLiteral("0"),
                 const QString &where = QStringLiteral("МАГАЗИН ,,"))
{
    LayoutSave::Request r;
    r.name = name;
    QString error;
    if (!LayoutSave::save(d, r, &error))
        return false;
    Db::execute(QStringLiteral("UPDATE Dokumenti SET N_Dok = ?, Kade_se_izpolzva = ? WHERE Opisanie = ?"),
                {number, where, name});
    return true;
}
} // namespace PrintFixture
