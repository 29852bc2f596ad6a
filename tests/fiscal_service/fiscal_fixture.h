#pragma once
// Firms, sites, models, sales and registered devices shared by the fiscal tests.
#include "common/dates.h"
#include "platform/db/database.h"

#include <QDate>

namespace fiscaltest {
inline void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

inline long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

inline QString day(int offset)
{
    return Dates::toIso(QDate::currentDate().addDays(offset));
}

// Firms: 1 owner "Иванов ЕООД" with person, 2 service centre, 3 tax office,
// 4 sealing firm, 5 owner "Петров ЕТ" without a person row.
// Sites 10, 11 of firm 1, 12 of firm 5. Models 1 "Datecs DP-25" (sealer 4), 2 "Tremol S21".
// DT500 (firm 1, site 10, model 1, two contracts: expired and valid), DT600 (firm 1, no contract).
// Sales: "DT1" to firm 1 and, later, "DT10" to firm 5.
inline void seed()
{
    exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient, Grad, Adres_Klient, EGN) VALUES "
                        "(1, 'Иван Иванов', 'Банкя', 'ул. Роза 1', '7501010000'), (2, 'Техник', 'Пловдив', '', '')"));
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Grad, Adres_Firma, EIK, Telefon, ID_Mol) VALUES "
                        "(1, 'Иванов ЕООД', 'София', 'бул. Витоша 5', '121212121', '02 111', 1), "
                        "(2, 'Сервиз Фиск ООД', 'Пловдив', 'ул. Сервизна 2', '222', '032 222', 2), "
                        "(3, 'НАП София', 'София', 'ул. Данъчна 3', '333', '02 333', 0), "
                        "(4, 'Пломба ЕАД', 'Русе', 'ул. Пломба 4', '444', '082 444', 0), "
                        "(5, 'Петров ЕТ', 'Варна', 'ул. Морска 9', '555555555', '052 555', 99)"));
    exec(QStringLiteral("INSERT INTO Kontrag_Sklad (ID_SK, Opisanie_SK, Grad_SK, Adres_SK, Tel_SK, MOL_SK, ID_Kontrag) "
                        "VALUES (10, 'Магазин Център', 'София', 'ул. Първа 1', '0888', 'Мария', 1), "
                        "(11, 'Склад Изток', 'София', 'ул. Втора 2', '0899', 'Петя', 1), "
                        "(12, 'Павилион', 'Варна', 'пл. Морски', '0877', 'Пено', 5)"));
    exec(QStringLiteral("INSERT INTO SV_BIM (ID, Model_Opis, SV_ID, SV_Data, ID_Plomb) VALUES "
                        "(1, 'Datecs DP-25', '123', '2020-01-02', 4), (2, 'Tremol S21', '456', '2021-03-04', 4)"));
    exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (17, 'Datecs DP-25'), (18, 'Tremol S21')"));
    exec(QStringLiteral("INSERT INTO Prodajbi (ID_Prodajba, ID_Art, D_Prodajba, T_Prodajba, ID_Klient, Pored_Ot, "
                        "Pored_Do) VALUES (1, 17, '2026-01-01', '10:00:00', 1, 'DT1', 'FM1'), "
                        "(2, 18, '2026-02-01', '10:00:00', 5, 'DT10', 'FM10')"));
    exec(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA, MFP, Model, Svid_N, Data_Reg, Time_Reg, ID_Serv, TDD_ID, "
                        "ID_Kontrag, ID_Sklad) VALUES (7, 'DT500', 'FM500', 1, 'OLD', '2025-05-06', '11:12:13', 2, 3, "
                        "1, 10), (8, 'DT600', 'FM600', 2, '456', '2025-06-07', '08:09:10', 2, 3, 1, 11)"));
    exec(QStringLiteral("INSERT INTO Dogovor (Dog_ID, Prefics_ID, EKA, Vid_Dog, Dog_Ot, Valid_Do) VALUES "
                        "('0000000005', '', 'DT500', 'Стар', '2024-01-01', ?), "
                        "('0000000009', '0503', 'DT500', 'Годишен', '2025-01-01', ?)"),
         {day(-1), day(30)});
}
} // namespace fiscaltest
