#include "common/record_values.h"
#include "fiscal_fixture.h"
#include "fiscal_service/device_register.h"
#include "fiscal_service/dismantling.h"
#include "fiscal_service/sv_bim.h"
#include "repair/client_search.h"
#include "test_registry.h"
#include "test_support.h"

#include <QTest>

using namespace fiscaltest;
using DeviceRegister::Result;

namespace {
DeviceRegister::Registration complete()
{
    DeviceRegister::Registration d;
    d.dossier = QStringLiteral("20");
    d.mfp = QStringLiteral("FM900");
    d.model = 1;
    d.date = QDate(2026, 3, 5);
    d.time = QTime(9, 8, 7);
    d.service = 2;
    d.taxOffice = 3;
    d.owner = 1;
    d.site = 10;
    return d;
}
} // namespace

class DeviceRegisterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deviceQueryFindsEveryRegisteredNumber()
    {
        TestProgram program;
        seed();
        const QList<QSqlRecord> rows = DeviceRegister::deviceRows(QStringLiteral(" dt500"));
        QCOMPARE(rows.size(), 2); // one row per contract, the later valid-until first
        const QSqlRecord &r = rows.first();
        QCOMPARE(r.value(QStringLiteral("Valid_Do")).toString(), day(30));
        QCOMPARE(DeviceRegister::contractNumber(r), QStringLiteral("05030000000009"));
        QCOMPARE(r.value(QStringLiteral("SV_ID")).toString(), QStringLiteral("123"));
        QCOMPARE(r.value(QStringLiteral("Svid_N")).toString(), QStringLiteral("OLD"));
        // The first of a repeated name is the owner's.
        QCOMPARE(r.value(QStringLiteral("ID")).toLongLong(), 1LL);
        QCOMPARE(r.value(QStringLiteral("Grad")).toString(), QStringLiteral("София"));
        for (const char *name : {"Serv_Ime", "Adres_Serv", "Serv_grad", "Serv_Tel", "TDD_Ime", "Plomb_Ime",
                                 "Opisanie_Sk", "Time_reg", "Ime_Klient", "Dog_ID", "Prefics_ID"})
            QVERIFY2(r.indexOf(QString::fromLatin1(name)) >= 0, name);
        QCOMPARE(r.value(QStringLiteral("Serv_Ime")).toString(), QStringLiteral("Сервиз Фиск ООД"));
        QCOMPARE(r.value(QStringLiteral("TDD_Ime")).toString(), QStringLiteral("НАП София"));
        QCOMPARE(r.value(QStringLiteral("Plomb_Ime")).toString(), QStringLiteral("Пломба ЕАД"));

        // Without a contract, and with its owner, site and model gone: still found.
        exec(QStringLiteral("UPDATE Reg_EKA SET ID_Kontrag = 77, Model = 55 WHERE EKA = 'DT600'"));
        const auto bare = DeviceRegister::findDevice(QStringLiteral("DT600"));
        QVERIFY(bare);
        QCOMPARE(DeviceRegister::contractNumber(*bare), QStringLiteral("0000000000"));
        QVERIFY(bare->value(QStringLiteral("Valid_Do")).isNull());
        QVERIFY(!DeviceRegister::findDevice(QStringLiteral("DT5")));
        // The tax-office joins: one row per registration.
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM ") + DeviceRegister::joins(false)), 2LL);
    }

    void contractExpiry()
    {
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(DeviceRegister::contractExpired(day(-1), now));
        QVERIFY(DeviceRegister::contractExpired(day(0), QDateTime(QDate::currentDate(), QTime(0, 0, 1))));
        QVERIFY(!DeviceRegister::contractExpired(day(1), now));
        QVERIFY(DeviceRegister::contractExpired(QStringLiteral("не е дата"), now));
    }

    void saleOfADevice()
    {
        TestProgram program;
        seed();
        // An exact serial before a later sale whose serial contains it.
        auto sale = DeviceRegister::saleOf(QStringLiteral("dt1"));
        QVERIFY(sale);
        QCOMPARE(sale->value(QStringLiteral("Pored_Do")).toString(), QStringLiteral("FM1"));
        QCOMPARE(sale->value(QStringLiteral("Firm_ID")).toLongLong(), 1LL);
        QCOMPARE(sale->value(QStringLiteral("Ime_Klient")).toString(), QStringLiteral("Иван Иванов"));
        QCOMPARE(sale->value(QStringLiteral("Opisanie")).toString(), QStringLiteral("Datecs DP-25"));
        // "contains" only without an exact one: the latest of those.
        sale = DeviceRegister::saleOf(QStringLiteral("T1"));
        QVERIFY(sale);
        QCOMPARE(sale->value(QStringLiteral("Pored_Do")).toString(), QStringLiteral("FM10"));
        // A buyer without a person still gives its own data; no site table needed.
        QCOMPARE(sale->value(QStringLiteral("EIK")).toString(), QStringLiteral("555555555"));
        QVERIFY(sale->value(QStringLiteral("Ime_Klient")).toString().isEmpty());
        QVERIFY(!DeviceRegister::saleOf(QString()));
        QVERIFY(!DeviceRegister::saleOf(QStringLiteral("%")));
        const auto firm = DeviceRegister::firmWithPerson(5);
        QVERIFY(firm);
        QCOMPARE(firm->value(QStringLiteral("Grad")).toString(), QStringLiteral("Варна"));
        QCOMPARE(firm->value(QStringLiteral("Adres_Firma")).toString(), QStringLiteral("ул. Морска 9"));
    }

    void ownerCounts()
    {
        TestProgram program;
        seed();
        QCOMPARE(DeviceRegister::ownedCount(1), 2);
        QCOMPARE(DeviceRegister::expiredCount(1), 0); // DT500 has a valid contract, DT600 none
        exec(QStringLiteral("INSERT INTO Reg_EKA (Dosie_ID, EKA, ID_Kontrag) VALUES (30, 'DT700', 1), (31, 'DT701', 1)"));
        exec(QStringLiteral("INSERT INTO Dogovor (EKA, Valid_Do) VALUES ('DT700', ?), ('DT700', ?), ('DT701', ?)"),
             {day(-10), day(0), day(1)});
        QCOMPARE(DeviceRegister::ownedCount(1), 4);
        QCOMPARE(DeviceRegister::expiredCount(1), 1); // DT700: all expired, the last one today
        QCOMPARE(DeviceRegister::ownedCount(5), 0);
    }

    void registrationRefusals_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("owner") << "owner" << "0" << "Необходимо е да се посочи собственик";
        QTest::newRow("unknown owner") << "owner" << "99" << "Необходимо е да се посочи собственик";
        QTest::newRow("site") << "site" << "-1" << "Необходимо е да се посочи обект";
        QTest::newRow("another's site") << "site" << "12" << "Необходимо е да се посочи обект";
        QTest::newRow("model") << "model" << "-1" << "Необходимо е да се посочи модел";
        QTest::newRow("service") << "service" << "-1" << "Необходимо е да се посочи сервизен център";
        QTest::newRow("tax office") << "taxOffice" << "0" << "Необходимо е да се посочи данъчна служба";
        QTest::newRow("dossier text") << "dossier" << "abc" << "Досие N трябва да е цяло число, по-голямо от 0";
        QTest::newRow("dossier 0") << "dossier" << "0" << "Досие N трябва да е цяло число, по-голямо от 0";
        QTest::newRow("dossier taken") << "dossier" << "7" << "Досие N 7 е заето";
        QTest::newRow("registered") << "number" << "dt500" << "Устройството вече е регистрирано";
        QTest::newRow("no number") << "number" << " " << "Въведете номер на ЕКА и натиснете Enter";
    }
    void registrationRefusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        TestProgram program;
        seed();
        DeviceRegister::Registration d = complete();
        QString number = QStringLiteral("dt900");
        if (field == QLatin1String("owner"))
            d.owner = value.toLongLong();
        else if (field == QLatin1String("site"))
            d.site = value.toLongLong();
        else if (field == QLatin1String("model"))
            d.model = value.toLongLong();
        else if (field == QLatin1String("service"))
            d.service = value.toLongLong();
        else if (field == QLatin1String("taxOffice"))
            d.taxOffice = value.toLongLong();
        else if (field == QLatin1String("dossier"))
            d.dossier = value;
        else
            number = value;
        const Result r = DeviceRegister::registerDevice(number, d);
        QCOMPARE(DeviceRegister::message(r, d.dossier), message);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Reg_EKA")), 2LL);
    }

    void registrationAndChange()
    {
        TestProgram program;
        seed();
        QCOMPARE(DeviceRegister::nextDossier(), 9LL);
        QCOMPARE(DeviceRegister::registerDevice(QStringLiteral("dt900"), complete()), Result::Saved);
        const auto row = Db::firstRow(QStringLiteral("SELECT * FROM Reg_EKA WHERE EKA = 'DT900'"));
        QVERIFY(row);
        QCOMPARE(row->value(QStringLiteral("Svid_N")).toString(), QStringLiteral("123")); // the model's certificate
        QCOMPARE(row->value(QStringLiteral("Data_Reg")).toString(), QStringLiteral("2026-03-05"));
        QCOMPARE(row->value(QStringLiteral("Time_Reg")).toString(), QStringLiteral("09:08:07"));
        QCOMPARE(row->value(QStringLiteral("Dosie_ID")).toLongLong(), 20LL);

        DeviceRegister::Registration d = complete();
        d.dossier = QStringLiteral("8"); // its own dossier stays allowed
        d.model = 2;
        d.site = 11;
        QCOMPARE(DeviceRegister::changeDevice(QStringLiteral("dt600"), d), Result::Saved);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Svid_N FROM Reg_EKA WHERE EKA = 'DT600'")).toString(),
                 QStringLiteral("456"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT MFP FROM Reg_EKA WHERE EKA = 'DT500'")).toString(),
                 QStringLiteral("FM500"));
        d.dossier = QStringLiteral("7");
        QCOMPARE(DeviceRegister::changeDevice(QStringLiteral("DT600"), d), Result::DossierTaken);
        QCOMPARE(DeviceRegister::changeDevice(QStringLiteral("DT601"), complete()), Result::NotRegistered);
    }

    void fiscalSearchRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        const QStringList all = {"1:Иванов ЕООД", "2:Сервиз Фиск ООД", "3:НАП София", "4:Пломба ЕАД", "5:Петров ЕТ"};
        QTest::newRow("cyrillic lower") << "ив" << QStringList{"1:Иванов ЕООД"};
        QTest::newRow("cyrillic inside, any case") << "оОд" << QStringList{"1:Иванов ЕООД", "2:Сервиз Фиск ООД"};
        QTest::newRow("latin") << "abc" << all;
        QTest::newRow("digit") << "5" << all;
        QTest::newRow("blank") << " x" << all;
        QTest::newRow("zero") << "0" << QStringList();
        QTest::newRow("placeholder") << "0: Няма избран потребител" << QStringList();
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("wildcard typed") << "П%" << QStringList();
        QTest::newRow("no id rule here") << "!1" << all;
    }
    void fiscalSearchRules()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        TestProgram program;
        seed();
        ClientSearch::Rules rules;
        rules.keyPrefixes = false; // the fiscal entries' rules
        const ClientSearch::Query q = ClientSearch::query(typed, rules);
        QStringList items;
        if (q.run)
            for (const QSqlRecord &r : Db::rows(q.sql, q.params))
                items << r.value(0).toString() + QLatin1Char(':') + r.value(1).toString();
        QCOMPARE(items, found);
    }

    void dismantlingAmounts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("amount");
        QTest::newRow("decimal") << "1234.5" << true << 1234.5;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("comma") << "1,5" << false << 0.0;
        QTest::newRow("negative") << "-5" << true << -5.0;
        QTest::newRow("leading blank") << " 2" << true << 2.0;
        QTest::newRow("exponent") << "1e2" << true << 100.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("infinite") << "1e999" << false << 0.0;
    }
    void dismantlingAmounts()
    {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(double, amount);
        double v = 0;
        QCOMPARE(Dismantling::parseAmount(typed, &v), valid);
        if (valid)
            QCOMPARE(v, amount);
        QCOMPARE(Dismantling::totalText(0), QStringLiteral("0.00"));
        QCOMPARE(Dismantling::totalText(1234.5), QStringLiteral("1234.50"));
        QCOMPARE(Dismantling::totalText(1.005), QStringLiteral("1.01")); // half away from zero
    }

    void certificates()
    {
        TestProgram program;
        seed();
        SvBim::Certificate c{QStringLiteral("Daisy eXpert"), QStringLiteral("789"), QDate(2022, 2, 2), 0};
        QCOMPARE(SvBim::add(c), SvBim::Result::NoSealer);
        c.sealer = 99;
        QCOMPARE(SvBim::add(c), SvBim::Result::NoSealer);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 2LL);
        c.sealer = 4;
        long long id = 0;
        QCOMPARE(SvBim::add(c, &id), SvBim::Result::Saved);
        QCOMPARE(id, 3LL);
        QCOMPARE(Db::rows(SvBim::listSql()).size(), 3);
        QCOMPARE(SvBim::update(3, {QStringLiteral("Daisy"), QStringLiteral("790"), QDate(2022, 2, 3), 0}),
                 SvBim::Result::NoSealer);
        QCOMPARE(SvBim::remove(1), SvBim::Result::InUse); // DT500 names it
        QCOMPARE(SvBim::remove(3), SvBim::Result::Saved);
        QCOMPARE(SvBim::remove(0), SvBim::Result::NotFound);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM SV_BIM")), 2LL);
    }
};

VTEST(DeviceRegisterTest)
#include "test_device_register.moc"
