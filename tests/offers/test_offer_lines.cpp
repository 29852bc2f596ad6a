#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/app_state.h"
#include "common/settings.h"
#include "offers/offer_document.h"
#include "offers/offer_lines.h"
#include "platform/db/database.h"

#include <QSqlField>
#include <QTest>

namespace {
OfferLines::Line line(long long mark, const QString &valuta, double cena, double cena2 = 0, double kol = 1)
{
    OfferLines::Line l;
    l.grup = QStringLiteral("Г");
    l.opisanie = valuta + QLatin1Char(' ') + QString::number(cena);
    l.kol = kol;
    l.cena = cena;
    l.cena2 = cena2;
    l.valuta = valuta;
    l.firma = QStringLiteral("Алфа");
    l.mark = mark;
    l.korekt = QStringLiteral("+ 0");
    return l;
}
} // namespace

class OfferLinesTest : public QObject
{
    Q_OBJECT
private slots:
    void correctionIsComputedHereAndBadOnesAddNothing()
    {
        const struct {
            const char *op;
            const char *typed;
            double price;
            bool ok;
            double cena;
            const char *korekt;
        } cases[] = {
            {"*", "1.2", 100, true, 120, "* 1.2"},
            {"/", "3", 100, true, 100.0 / 3, "/ 3"},
            {"+", " 1,5 ", 10, true, 11.5, "+ 1,5"},
            {"-", "2", 10, true, 8, "- 2"},
            {" * ", "0", 7, true, 0, "* 0"},
            {"/", "0", 100, false, 0, ""},
            {"/", "0,0", 100, false, 0, ""},
            {"+", "abc", 100, false, 0, ""},
            {"+", "", 100, false, 0, ""},
            {"x", "1", 100, false, 0, ""},
            {"", "1", 100, false, 0, ""},
            {"+-", "1", 100, false, 0, ""},
        };
        for (const auto &c : cases) {
            QString error;
            const auto correction =
                OfferLines::parseCorrection(QString::fromUtf8(c.op), QString::fromUtf8(c.typed), &error);
            QCOMPARE(bool(correction), c.ok);
            if (!c.ok) {
                QVERIFY(!error.isEmpty());
                continue;
            }
            QSqlRecord row;
            row.append(QSqlField(QStringLiteral("Cena_1"), QMetaType(QMetaType::Double)));
            row.setValue(0, c.price);
            const auto l = OfferLines::fromCatalogue(row, 2, 4, *correction);
            QCOMPARE(l.cena, c.cena);
            QCOMPARE(l.korekt, QString::fromUtf8(c.korekt));
            QCOMPARE(l.kol, 2.0);
            QCOMPARE(l.mark, 4LL);
        }
    }

    void currenciesMatchByNameOnceAndUnratedLinesStayOutOfTheSums()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('EUR', 1.95583), ('eur', 1.99)"));
        OfferLines::createTable();
        OfferLines::insert(line(1, QStringLiteral("EUR"), 10, 12));
        OfferLines::insert(line(1, QStringLiteral(" bgn "), 20, 15));
        OfferLines::insert(line(1, QStringLiteral("XYZ"), 5, 5));
        OfferLines::insert(line(1, QStringLiteral("B%"), 7, 7));
        OfferLines::insert(line(2, QStringLiteral("BGN"), 3, 3, 2));

        QCOMPARE(OfferLines::total(), 10 * 1.95583 + 20 + 6);
        QCOMPARE(OfferLines::currenciesWithoutRate(), (QStringList{QStringLiteral("B%"), QStringLiteral("XYZ")}));
        QCOMPARE(OfferLines::markers(), (QList<long long>{1, 2}));

        const auto c = OfferLines::compare(1, 2);
        QVERIFY(c.hasLines);
        QCOMPARE(c.sum, 12 * 1.95583 + 15);
        QCOMPARE(c.minText, QStringLiteral("15.0000"));
        QCOMPARE(c.maxText, QStringLiteral("23.4700"));
        QCOMPARE(OfferLines::compare(1, 1).minText, QStringLiteral("19.5583"));
        QVERIFY(!OfferLines::compare(3, 1).hasLines);
        QCOMPARE(OfferLines::compare(3, 1).minText, QStringLiteral("0.0000"));

        // The grid lists every line, one row each; unrated ones with empty sums.
        const auto rows = Db::rows(OfferLines::gridSql(2));
        QCOMPARE(rows.size(), 5);
        QStringList fields;
        for (int i = 0; i < rows.first().count(); ++i)
            fields << rows.first().fieldName(i);
        QCOMPARE(fields, (QStringList{"Suma", "Pe4alba", "ID", "Grup", "Opisanie", "Kol", "Cena", "Valuta", "Firma",
                                      "ID_Mark", "Korekt", "Kat_N", "Cena_2", "Cena_3", "Kat_N_1", "Kurs"}));
        QVERIFY(rows.at(2).value(QStringLiteral("Suma")).isNull());
        QCOMPARE(rows.at(0).value(QStringLiteral("Pe4alba")).toDouble(), (10 - 12) * 1.95583);
        // A sort names the table, so "Opisanie" is not ambiguous beside Valuti's.
        QCOMPARE(Db::rows(OfferLines::gridSql(1) + QStringLiteral("\n ORDER BY ")
                          + OfferLines::sortField(QStringLiteral("Opisanie")) + QStringLiteral(" DESC"))
                     .first()
                     .value(QStringLiteral("Opisanie"))
                     .toString(),
                 QStringLiteral("XYZ 5"));
        for (const char *f : {"Suma", "Pe4alba", "Kurs", "Kat_N_1", "ID_Mark"})
            Db::rows(OfferLines::gridSql(1) + QStringLiteral("\n ORDER BY ") + OfferLines::sortField(QString::fromLatin1(f)));

        OfferLines::remove({1, 2, 3, 4, 5});
        QCOMPARE(OfferLines::total(), 0.0);
        QVERIFY(OfferLines::markers().isEmpty());
        OfferLines::dropTable();
    }

    void mandatoryElementsAreNumberedAndListedInIdOrder()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Zad_el (ID, Opisanie, Checked) VALUES (5, 'Пети', 'False'), "
                                   "(2, 'Втори', 'False')"));
        const auto added = MandatoryElements::add(QStringLiteral("Нов"));
        QCOMPARE(added.id, 6LL);
        QStringList texts;
        for (const auto &e : MandatoryElements::load())
            texts << e.text();
        QCOMPARE(texts, (QStringList{QStringLiteral("2:Втори"), QStringLiteral("5:Пети"), QStringLiteral("6:Нов")}));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Checked FROM Zad_el WHERE ID = 6")).toString(),
                 QStringLiteral("False"));
    }

    void documentLines()
    {
        TestProgram program;
        const QString longName = QString(40, QChar(0x0416)); // 40 Cyrillic letters
        Settings::writeString(Keys::Firm_Data_Name, longName);
        Settings::writeString(Keys::Firm_Data_Mol, QStringLiteral("Иван"));
        Settings::writeString(Keys::Firm_Data_Bank, QStringLiteral("Банка"));
        OfferDocument::Content c;
        c.customer = {QStringLiteral("Клиент ООД"), QStringLiteral("0888")};
        c.today = QStringLiteral("07.12.2026");
        c.total = 100;
        c.avansTyped = QStringLiteral("0");
        c.operatorName = QStringLiteral("Мария");
        c.decimals = 2;

        QStringList head = OfferDocument::headLines(c);
        QCOMPARE(head.size(), 17);
        QCOMPARE(head.at(1), QString(32, QLatin1Char(' ')) + QStringLiteral(" ОФЕРТА "));
        QCOMPARE(head.at(3), QStringLiteral("До: Клиент ООД"));
        QCOMPARE(head.at(6), QStringLiteral("Днес 07.12.2026, представител на ") + longName.left(35));
        QCOMPARE(head.at(7), QStringLiteral("представлявано от  Иван"));
        QCOMPARE(head.at(13), QStringLiteral("При банка: Банка"));
        QCOMPARE(head.at(15), QStringLiteral("предлага на вашето внимание следното: "));
        c.withPhone = true;
        head = OfferDocument::headLines(c);
        QCOMPARE(head.size(), 18);
        QCOMPARE(head.at(4), QStringLiteral("Тел: 0888"));
        Settings::writeString(Keys::Firm_Data_Name, QStringLiteral("Фирма"));
        QCOMPARE(OfferDocument::headLines(c).at(7),
                 QStringLiteral("Днес 07.12.2026, представител на Фирма") + QString(30, QLatin1Char(' ')));

        const QStringList tail = OfferDocument::tailLines(c);
        QCOMPARE(tail.at(2), QStringLiteral("На обща стойност в лева: 100.00 "));
        QCOMPARE(tail.at(3), QStringLiteral("Предплата: 0 "));
        QCOMPARE(tail.at(4), QStringLiteral("Оставаща сума в лева: 100.00 "));
        QCOMPARE(tail.last(), QStringLiteral("      /               /              Мария"));
    }

    void customerAndOrderListCopy()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, Telefon, ID_Mol) VALUES (3, 'Бета', '02 1', 99)"));
        QCOMPARE(OfferDocument::customer(3).name, QStringLiteral("Бета")); // no person row needed
        QCOMPARE(OfferDocument::customer(3).phone, QStringLiteral("02 1"));
        QVERIFY(OfferDocument::customer(0).name.isEmpty());
        QVERIFY(OfferDocument::customer(7).name.isEmpty());

        OfferLines::createTable();
        auto a = line(1, QStringLiteral("BGN"), 5, 4, 2);
        a.katN = QStringLiteral("K1");
        OfferLines::insert(a);
        auto b = line(2, QStringLiteral("BGN"), 6, 0, 1);
        b.firma = QString::fromUtf8(OfferLines::StockFirm);
        OfferLines::insert(b);
        const auto lines = Db::rows(OfferLines::gridSql(1));

        // A failure at the second row copies nothing.
        refuseWrites(QStringLiteral("CREATE TRIGGER fail BEFORE INSERT ON Zaqvki_All WHEN NEW.Opisanie = 'BGN 6' "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QVERIFY_THROWS_EXCEPTION(DbError, OfferDocument::copyToOrderList(lines, QStringLiteral("3:Бета")));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Zaqvki_All")).toInt(), 0);
        dropTrigger(QStringLiteral("fail"));

        OfferDocument::copyToOrderList(lines, QStringLiteral("3:Бета"));
        const auto rows = Db::rows(QStringLiteral("SELECT * FROM Zaqvki_All ORDER BY ID"));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).value(QStringLiteral("Art_ID")).toInt(), 0);
        QCOMPARE(rows.at(0).value(QStringLiteral("Kat_N")).toString(), QStringLiteral("K1"));
        QCOMPARE(rows.at(0).value(QStringLiteral("Kol")).toDouble(), 2.0);
        QCOMPARE(rows.at(0).value(QStringLiteral("Dost_Cena")).toDouble(), 4.0);
        QCOMPARE(rows.at(0).value(QStringLiteral("Klient_Ime")).toString(), QStringLiteral("3:Бета"));
        QCOMPARE(rows.at(0).value(QStringLiteral("Dost_Ime")).toString(), QStringLiteral("Алфа"));
        QCOMPARE(rows.at(1).value(QStringLiteral("Dost_Ime")).toString(), QStringLiteral("В наличност"));
        QCOMPARE(rows.at(1).value(QStringLiteral("Data")).toString(), QDate::currentDate().toString(Qt::ISODate));
    }
};

VTEST(OfferLinesTest)
#include "test_offer_lines.moc"
