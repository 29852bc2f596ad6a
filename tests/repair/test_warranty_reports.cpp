#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "documents/report_filter.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/paged_list_model.h"
#include "platform/script.h"
#include "repair/form_garancionni_prod.h"
#include "repair/form_spr_izdadeni_ser.h"
#include "repair/warranty_reports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {
// Supplier 7, client 8; kinds 1, 2; cards 1 (two pieces "x12y", "X12Y"
// valid until 2026-05-01) of 01.03.2024, 2 (one piece "ab-1") of 02.03.2024,
// 3 naming a kind that is gone.
void cards()
{
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Доставчик', 0), (8, 'Клиент', 0)"));
    Db::execute(QStringLiteral("INSERT INTO Rab_Dokumenti (ID, Opisanie) VALUES (1, 'Фактура'), (2, 'Карта')"));
    Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie) VALUES (11, 'Телефон'), (12, 'Таблет')"));
    Db::execute(QStringLiteral("INSERT INTO Garancia_dostavtchik (ID, ID_Kontrag, Vid_Dok, ID_Dok, Data, Zabel) VALUES "
                               "(1, 7, 1, 'F1', '2024-03-01', ''), (2, 7, 2, 'F2', '2024-03-02', ''), "
                               "(3, 7, 9, 'F3', '2024-03-02', '')"));
    Db::execute(QStringLiteral("INSERT INTO Serials (ID_Karta, ID, Model, Partida, Serial_ID, Data) VALUES "
                               "(1, 11, 'M', 'P', 'x12y', '2026-05-01'), (1, 11, 'M', 'P', 'X12Y', '2026-05-01'), "
                               "(2, 12, 'Tab', 'Q', 'ab-1', '2027-01-01'), (3, 12, 'Tab', 'Q', 'x12z', '2027-01-01')"));
}

QList<long long> listed(const WarrantyReports::CardFilter &f)
{
    const WarrantyReports::Query q = WarrantyReports::cards(f);
    QList<long long> ids;
    for (const QSqlRecord &r : Db::rows(q.sql, q.values))
        ids.append(r.value(QStringLiteral("ID")).toLongLong());
    return ids;
}

// The archive: repair 1 of client 8 from supplier 7, issued 05.03.2024, two
// identical lines of 2 x 5 BGN and one in an unknown currency; repair 2 of
// client 8 without supplier, issued 06.03.2024.
void repairs()
{
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (7, 'Доставчик', 0), (8, 'Клиент', 0)"));
    Db::execute(QStringLiteral("INSERT INTO R_Priem (N_Priem, S_N, Opisanie, Pri4ina, ID_Kontrag, Operator, "
                               "ID_Dostav4ik, Model, Partida, Data_Izd) VALUES "
                               "(1, 'sn-77', 'Телефон', 'Не пали', 8, 'Иван', 7, 'Galaxy S', 'P1', '2024-03-05'), "
                               "(2, 'sn-78', 'Таблет', 'Счупен', 8, 'Иван', 0, 'iPad', 'P2', '2024-03-06')"));
    Db::execute(QStringLiteral("INSERT INTO R_Remont (N_Priem, Remont, Kol, ED_Cena, Valuta) VALUES "
                               "(1, 'Смяна', 2, 5, 'BGN'), (1, 'Смяна', 2, 5, 'BGN'), (1, 'Друго', 1, 1, 'XXX'), "
                               "(2, 'Дисплей', 1, 30, 'BGN')"));
    Db::execute(QStringLiteral("DELETE FROM Valuti WHERE Opisanie = 'BGN'"));
    Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGN', 1, 'True')"));
}
} // namespace

class TestWarrantyReports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cardFilters_data()
    {
        using F = WarrantyReports::CardFilter;
        QTest::addColumn<F>("filter");
        QTest::addColumn<QList<long long>>("ids");
        F all;
        QTest::newRow("no filter: known kinds only") << all << QList<long long>{1, 2};
        F part;
        part.serial = {true, QStringLiteral("12"), true};
        QTest::newRow("part in any case, a card per piece") << part << QList<long long>{1, 1};
        F exact;
        exact.serial = {true, QStringLiteral("AB-1"), false};
        QTest::newRow("whole serial in another case") << exact << QList<long long>{2};
        F asTyped;
        asTyped.serial = {true, QStringLiteral("x12y"), false};
        QTest::newRow("whole serial as typed") << asTyped << QList<long long>{1};
        F day;
        day.cardDate = {true, ReportFilter::Between, QDate(2024, 3, 2), QDate(2024, 3, 2)};
        QTest::newRow("between one day") << day << QList<long long>{2};
        F kind;
        kind.kind = true;
        kind.kindId = 2;
        QTest::newRow("kind") << kind << QList<long long>{2};
        F valid;
        valid.validUntil = {true, ReportFilter::AtMost, QDate(2026, 12, 31), QDate()};
        QTest::newRow("valid until") << valid << QList<long long>{1, 1};
        F article;
        article.article = true;
        article.articleId = 12;
        QTest::newRow("article") << article << QList<long long>{2};
    }
    void cardFilters()
    {
        QFETCH(WarrantyReports::CardFilter, filter);
        QFETCH(QList<long long>, ids);
        TestProgram program;
        cards();
        QCOMPARE(listed(filter), ids);
    }

    void cardWindowListsPiecesAndUnticksACancelledPick()
    {
        TestProgram program;
        cards();
        TForm_Garancionni_Prod w;
        w.Button_SearchClick();
        QCOMPARE(w.cards()->rowCount(), 2);
        QCOMPARE(w.cards()->value(0, QStringLiteral("Dost_Name")).toString(), QStringLiteral("Доставчик"));
        QCOMPARE(w.pieces()->rowCount(), 2); // the first card's pieces
        QCOMPARE(w.pieces()->value(0, QStringLiteral("Art_Name")).toString(), QStringLiteral("Телефон"));
        // A cancelled supplier pick (mode 12) unticks its box.
        int mode = -2;
        driveWindows<TForm_Kontrakents>([&mode](TForm_Kontrakents *) { mode = CounterpartyPickMode; });
        w.ChkBox_Kontrag->setChecked(true);
        w.ChkBox_KontragClick();
        QCOMPARE(mode, 12);
        QVERIFY(!w.ChkBox_Kontrag->isChecked());
        QCOMPARE(w.Label_Kontrag->text(), TForm_Garancionni_Prod::noSupplierText());
        // A pick in article mode 10 stays ticked.
        driveWindows<TForm_Artikuli>([&mode](TForm_Artikuli *) {
            mode = ArticlePickMode;
            ArticlePick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT ID, Opisanie FROM Produkti WHERE ID = 12"));
            ArticlePick::deliver(mode, p);
        });
        w.ChkBox_Art->setChecked(true);
        w.ChkBox_ArtClick();
        QCOMPARE(mode, 10);
        QVERIFY(w.ChkBox_Art->isChecked());
        QCOMPARE(w.Label_art->text(), QStringLiteral("12:Таблет"));
        w.Button_SearchClick();
        QCOMPARE(w.cards()->rowCount(), 1);
        QCOMPARE(w.cards()->value(0, QStringLiteral("ID")).toLongLong(), 2LL);
    }

    void issuedRepairs()
    {
        TestProgram program;
        repairs();
        TForm_Spr_Izdadeni_Ser w;
        w.Button1Click();
        // Both, the one without a supplier too.
        QCOMPARE(w.repairs()->rowCount(), 2);
        QCOMPARE(w.repairs()->value(1, QStringLiteral("Ime_Dostav4ik")).toString(), QString());
        QCOMPARE(w.repairs()->value(1, QStringLiteral("Ime_Kontrag")).toString(), QStringLiteral("Клиент"));
        // Two identical lines stay two; the unknown currency is left out.
        QCOMPARE(w.lines()->rowCount(), 2);
        QCOMPARE(w.Label_Suma_Remont->text(), QStringLiteral("Обща сума за ремонт: 20.0000"));
        QCOMPARE(w.Label_Suma_Spravka->text(), QStringLiteral("Обща сума на справка: 50.0000"));
        // "Модел" finds a part in any case.
        w.model.box->setChecked(true);
        w.model.boxClicked();
        w.model.edit->setText(QStringLiteral("galaxy"));
        w.Button1Click();
        QCOMPARE(w.repairs()->rowCount(), 1);
        QCOMPARE(w.repairs()->value(0, QStringLiteral("N_Priem")).toLongLong(), 1LL);
        QCOMPARE(w.Label_Suma_Spravka->text(), QStringLiteral("Обща сума на справка: 20.0000"));
        w.model.box->setChecked(false);
        w.model.boxClicked();
        // "Издаден на" one day.
        w.issued.box->setChecked(true);
        w.issued.boxClicked();
        w.issued.from->setDate(QDate(2024, 3, 6));
        w.Button1Click();
        QCOMPARE(w.repairs()->rowCount(), 1);
        QCOMPARE(w.repairs()->value(0, QStringLiteral("N_Priem")).toLongLong(), 2LL);
        QCOMPARE(w.Label_Suma_Remont->text(), QStringLiteral("Обща сума за ремонт: 30.0000"));
        w.issued.box->setChecked(false);
        w.issued.boxClicked();
        // Modes 16 and 17 fill their labels; a cancelled pick unticks.
        QList<int> modes;
        driveWindows<TForm_Kontrakents>([&modes](TForm_Kontrakents *) {
            modes.append(CounterpartyPickMode);
            CounterpartyPick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = ?"),
                                      {CounterpartyPickMode == TForm_Spr_Izdadeni_Ser::ClientMode ? 8 : 7});
            CounterpartyPick::deliver(CounterpartyPickMode, p);
        });
        w.ChkBox_Kontrag->setChecked(true);
        w.ChkBox_KontragClick();
        w.ChkBox_Dostav4ik->setChecked(true);
        w.ChkBox_Dostav4ikClick();
        QCOMPARE(modes, (QList<int>{16, 17}));
        QCOMPARE(CounterpartyPickMode, -1);
        QCOMPARE(w.Label_Kontrag->text(), QStringLiteral("8:Клиент"));
        QCOMPARE(w.Label_Dostav4ik->text(), QStringLiteral("7:Доставчик"));
        w.Button1Click();
        QCOMPARE(w.repairs()->rowCount(), 1);
        driveWindows<TForm_Kontrakents>([](TForm_Kontrakents *) {});
        w.ChkBox_Dostav4ik->setChecked(false);
        w.ChkBox_Dostav4ikClick();
        w.ChkBox_Dostav4ik->setChecked(true);
        w.ChkBox_Dostav4ikClick();
        QVERIFY(!w.ChkBox_Dostav4ik->isChecked());
        QCOMPARE(w.Label_Dostav4ik->text(), TForm_Spr_Izdadeni_Ser::noSupplierText());
        // "Досие" and "Артикул" have nothing to feed them.
        QVERIFY(!w.dossier.box->isEnabled());
        QVERIFY(!w.ChkBox_Artikul->isEnabled());
    }
};

VTEST(TestWarrantyReports)
#include "test_warranty_reports.moc"
