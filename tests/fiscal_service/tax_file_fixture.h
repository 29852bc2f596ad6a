#pragma once
// A fully described registration and its related records, for the tax-office
// file and the fiscal-centre documents.
#include "platform/db/database.h"

#include <QString>
#include <QVariantList>

namespace taxfixture {
inline void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

// Owner 1 "Иванов ЕООД" (town София; its person 1 lives in Банкя), service
// centre 2, tax office 3, sealing firm 4; site 10 of the owner; model 1 with
// certificate "1234567" of 2020-02-01 sealed by 4.
inline void firms()
{
    exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient, Grad, Adres_Klient, EGN) VALUES "
                        "(1, 'Иван Иванов', 'Банкя', 'ул. Роза 1', '0010100100')"));
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Grad, Adres_Firma, EIK, Telefon, ID_Mol) VALUES "
                        "(1, 'Иванов ЕООД', 'София', 'бул. Витоша 5', '1234567890123', '02 111', 1), "
                        "(2, 'Сервиз Фиск ООД', 'Пловдив', 'ул. Сервизна 2', '222', '032 222', 0), "
                        "(3, 'НАП София', 'София', 'ул. Данъчна 3', '333', '02 333', 0), "
                        "(4, 'Пломба ЕАД', 'Русе', 'ул. Пломба 4', '444', '082 444', 0)"));
    exec(QStringLiteral("INSERT INTO Kontrag_Sklad (ID_SK, Opisanie_SK, Grad_SK, Adres_SK, Tel_SK, MOL_SK, ID_Kontrag) "
                        "VALUES (10, 'Магазин Център', 'София', 'ул. Първа 1', '0888', 'Мария', 1)"));
    exec(QStringLiteral("INSERT INTO SV_BIM (ID, Model_Opis, SV_ID, SV_Data, ID_Plomb) VALUES "
                        "(1, 'Datecs DP-25', '1234567', '2020-02-01', 4)"));
}

// A registration of the owner at site 10 with model 1, service 2 and tax office 3.
inline void registration(long long dossier, const QString &number, const QString &isoDate,
                         const QString &mfp = QStringLiteral("02123456"))
{
    exec(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA, MFP, Model, Svid_N, Data_Reg, Time_Reg, ID_Serv, TDD_ID, "
                        "ID_Kontrag, ID_Sklad) VALUES (?, ?, ?, 1, '1234567', ?, '11:12:13', 2, 3, 1, 10)"),
         {dossier, number, mfp, isoDate});
}

inline void contract(const QString &number, const QString &serial, const QString &validIso)
{
    exec(QStringLiteral("INSERT INTO Dogovor (Dog_ID, Prefics_ID, EKA, Vid_Dog, Dog_Ot, Valid_Do) "
                        "VALUES (?, '0503', ?, 'Годишен', '2025-01-01', ?)"),
         {serial, number, validIso});
}
} // namespace taxfixture
