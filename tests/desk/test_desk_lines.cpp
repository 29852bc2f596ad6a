#include "app/app_state.h"
#include "app/currency_rates.h"
#include "app/item_rights.h"
#include "common/settings.h"
#include "desk/desk_lines.h"
#include "desk/desk_state.h"
#include "desk/discount_rules.h"
#include "desk/discounts.h"
#include "desk/form_spec_otstapki.h"
#include "desk/shop_desk.h"
#include "app/export_kinds.h"
#include "platform/db/list_model.h"
#include <QFile>
#include "desk/tok_bottom_dlg.h"
#include "platform/db/column_registry.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "desk_controls.h"
#include "test_registry.h"
#include "test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

// Article 17 in group 3 (9.99 BGL, Max_TO 15), article 7 in group 1; counterparty 5 with T_O 2.
void shop()
{
    exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True'), ('EUR', 1.95583, 'False')"));
    exec(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Напитки'), (3, 'Кафе')"));
    exec(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Max_TO, Dan_Grup, "
                        "Prigotvq_Se) VALUES (17, 3, 'Кафе', 10, 'BGL', 'бр', 15, 1, 2), "
                        "(7, 1, 'Вода', 3, 'BGL', 'бр', 0, 2, 0), (8, 1, 'Сок', 0, 'BGL', 'бр', 0, 3, 4)"));
    exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (1, 'Петров')"));
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, EIK, Dan_N, T_O, ID_Mol) VALUES "
                        "(5, 'Чаша ООД', '121', 'BG1', 2, 1), (6, 'Абв', '999', 'BG9', 0, 1)"));
    exec(QStringLiteral("INSERT INTO Nomenklatures (ID, Nomenkl_N, ID_Kontrag) VALUES (17, 'K-17', 5)"));
}

void rule(long long counterparty, const char *kind, long long key, double percent)
{
    exec(QStringLiteral("INSERT INTO SP_otstapka (ID_Klient, Otnasq_se_za, ID_Art_Gr, T_O, Suma_Up) VALUES (?, ?, ?, ?, 0)"),
         {counterparty, QString::fromLatin1(kind), key, percent});
}

DeskLines::NewLine line(long long article, const QString &qty, const QString &price, Decimal list)
{
    DeskLines::NewLine l;
    l.article = article;
    l.quantityText = qty;
    l.priceText = price;
    l.listPrice = list;
    l.op = QStringLiteral("Иван");
    l.bill = 0;
    l.terminal = 2;
    return l;
}

QVariant field(long long line, const char *column)
{
    return Db::scalar(QStringLiteral("SELECT %1 FROM Prodajbi_Vremenni WHERE N_Prodajba = ?").arg(QString::fromLatin1(column)),
                      {line});
}

long long lastLine()
{
    return Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
}

// Rows changed on this connection so far (SQLite's count; a server keeps none
// per session, and there it stays 0).
int changes()
{
    return Db::engine() == Db::Engine::Sqlite ? Db::scalar(QStringLiteral("SELECT total_changes()")).toInt() : 0;
}
} // namespace

class DeskLinesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void discountLookup()
    {
        TestProgram program;
        shop();
        rule(5, "A", 17, 10);
        rule(5, "G", 3, 5);
        rule(6, "A", 7, -3);
        QCOMPARE(Discounts::GET_TO(17, 5), Decimal(10));
        exec(QStringLiteral("DELETE FROM SP_otstapka WHERE Otnasq_se_za = 'A' AND ID_Klient = 5"));
        QCOMPARE(Discounts::GET_TO(17, 5), Decimal(5));
        exec(QStringLiteral("DELETE FROM SP_otstapka WHERE ID_Klient = 5"));
        QCOMPARE(Discounts::GET_TO(17, 5), Decimal(2));
        QCOMPARE(Discounts::GET_TO(17, 0), Decimal(0));
        QCOMPARE(Discounts::GET_TO(7, 6), Decimal(-3)); // a surcharge
        // The one rule per counterparty and group or article.
        QVERIFY_THROWS_EXCEPTION(DbError, rule(6, "A", 7, 1));
    }

    void lineInsert()
    {
        TestProgram program;
        shop();
        rule(6, "A", 7, 7.5);
        struct Case { long long article; const char *qty, *price; int list; long long counterparty;
                      DeskLines::InsertResult::Outcome outcome; double discount, price_; };
        using R = DeskLines::InsertResult;
        const Case cases[] = {
            {7, "1", "8", 10, 0, R::Written, 20.00, 10},       // list 10 typed 8
            {7, "1", "12", 10, 0, R::Written, -20.00, 10},     // a surcharge
            {8, "2", "12.50", 0, 0, R::Written, 0, 12.5},      // a free price
            {7, "1", "2", 3, 0, R::Written, 33.33, 3},         // list 3 typed 2
            {7, "1", "3", 3, 6, R::Written, 7.5, 3},           // the counterparty's rule
            {17, "1", "8.4", 10, 0, R::OverMaxDiscount, 0, 0}, // 16 % over Max_TO 15
            {8, "1", "0", 0, 0, R::BadData, 0, 0},             // both prices 0
            {17, "0", "10", 10, 0, R::BadData, 0, 0},          // quantity 0
            {17, "-1", "10", 10, 0, R::NegativeQuantity, 0, 0},
            {17, "abc", "10", 10, 0, R::BadData, 0, 0},
        };
        for (const Case &k : cases) {
            DeskLines::NewLine l = line(k.article, QString::fromLatin1(k.qty), QString::fromLatin1(k.price), k.list);
            l.counterparty = k.counterparty;
            const long long before = lastLine();
            const R r = DeskLines::insertLine(l);
            QCOMPARE(r.outcome, k.outcome);
            if (k.outcome != R::Written) {
                QCOMPARE(lastLine(), before);
                continue;
            }
            QCOMPARE(field(lastLine(), "T_O").toDouble(), k.discount);
            QCOMPARE(field(lastLine(), "Ed_Cena").toDouble(), k.price_);
        }
        QCOMPARE(DeskLines::insertLine(line(17, QStringLiteral("1"), QStringLiteral("8.4"), 10)).maxDiscount, Decimal(15));

        // A replacement keeps the bill and terminal and takes the new article's own values.
        DeskLines::NewLine first = line(17, QStringLiteral("2"), QStringLiteral("10"), 10);
        first.bill = 4;
        QCOMPARE(DeskLines::insertLine(first).outcome, R::Written);
        const long long n = lastLine();
        DeskLines::NewLine other = line(8, QStringLiteral("3"), QStringLiteral("5"), 0);
        other.replacedLine = n;
        other.bill = 9;
        other.terminal = 7;
        QCOMPARE(DeskLines::insertLine(other).outcome, R::Written);
        QCOMPARE(lastLine(), n);
        QCOMPARE(field(n, "Barkod").toLongLong(), 8LL);
        QCOMPARE(field(n, "Sm_N").toLongLong(), 4LL);
        QCOMPARE(field(n, "Term_N").toInt(), 2);
        QCOMPARE(field(n, "Dan_Grup").toInt(), 3);
        QCOMPARE(field(n, "Prigotvq_Se").toInt(), 4);
        QCOMPARE(field(n, "Nomenkl_N").toString(), QStringLiteral("0"));
    }

    void billsAndTotals()
    {
        TestProgram program;
        shop();
        for (int bill : {0, 2, 10, 2}) {
            DeskLines::NewLine l = line(7, QStringLiteral("1"), QStringLiteral("3"), 3);
            l.bill = bill;
            DeskLines::insertLine(l);
        }
        DeskLines::NewLine other = line(7, QStringLiteral("1"), QStringLiteral("3"), 3);
        other.op = QStringLiteral("Ива_"); // never reaches Иван's lines
        other.bill = 99;
        DeskLines::insertLine(other);
        QCOMPARE(DeskLines::openBills(QStringLiteral("Иван")),
                 (QStringList{QStringLiteral("0"), QStringLiteral("10"), QStringLiteral("2")}));
        QCOMPARE(DeskLines::openBills(QStringLiteral("Ива_")), (QStringList{QStringLiteral("0"), QStringLiteral("99")}));

        // A line whose currency has no rate is outside the total.
        exec(QStringLiteral("UPDATE Prodajbi_Vremenni SET Valuta = 'XXX' WHERE Sm_N = 10"));
        QCOMPARE(DeskLines::recalculate(QStringLiteral("Иван"), 10, 2), Decimal());
        QCOMPARE(DeskLines::recalculate(QStringLiteral("Иван"), 2, 2), Decimal(6));
        QCOMPARE(field(lastLine() - 1, "Bez_DDS").toDouble(), 2.5); // 3 / 1.2
        const int before = changes();
        QCOMPARE(DeskLines::recalculate(QStringLiteral("Иван"), 2, 2), Decimal(6));
        QCOMPARE(changes(), before); // nothing changed, nothing written
    }

    void counterpartySearch()
    {
        TestProgram program;
        shop();
        auto found = [](const QString &typed) {
            const DeskLines::Search s = DeskLines::counterpartySearch(typed);
            if (!s.run)
                return QStringLiteral("-");
            QStringList ids;
            for (const QSqlRecord &r : Db::rows(s.sql, s.params))
                ids << r.value(0).toString();
            return ids.join(QLatin1Char(','));
        };
        QCOMPARE(found(QStringLiteral("-121")), QStringLiteral("5"));
        QCOMPARE(found(QStringLiteral("+BG1")), QStringLiteral("5"));
        QCOMPARE(found(QStringLiteral("!17")), QString());
        QCOMPARE(found(QStringLiteral("!6")), QStringLiteral("6"));
        QCOMPARE(found(QStringLiteral("!abc")), QString());
        QCOMPARE(found(QStringLiteral("Чаша")), QStringLiteral("5")); // Ч stands for any one letter
        QCOMPARE(found(QStringLiteral("аша")), QStringLiteral("5"));
        QCOMPARE(found(QStringLiteral("abc")), QStringLiteral("5,6"));
        QCOMPARE(found(QStringLiteral("0 abc")), QStringLiteral("-"));
        QCOMPARE(found(QStringLiteral("б%")), QString()); // "%" is itself
        QCOMPARE(found(QStringLiteral("б\"")), QString());
    }

    void counterpartyAndGeneralDiscountTouchOnlyTheirLines()
    {
        TestProgram program;
        shop();
        rule(5, "A", 17, 10);
        QList<long long> mine;
        for (const auto &[op, bill] : {std::pair{"Иван", 0}, {"Иван", 0}, {"Иван", 3}, {"Мария", 0}}) {
            DeskLines::NewLine l = line(17, QStringLiteral("1"), QStringLiteral("10"), 10);
            l.op = QString::fromUtf8(op);
            l.bill = bill;
            DeskLines::insertLine(l);
            if (QString::fromUtf8(op) == QStringLiteral("Иван") && bill == 0)
                mine << lastLine();
        }
        DeskLines::applyCounterparty(mine, 5, true);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE T_O = 10 AND Nomenkl_N = 'K-17'")).toInt(), 2);
        DeskLines::applyGeneralDiscount({mine.first()}, dec("4.5"));
        QCOMPARE(field(mine.first(), "T_O").toDouble(), 4.5);
        QCOMPARE(field(mine.last(), "T_O").toDouble(), 10.0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni WHERE T_O = 0")).toInt(), 2);

        // A failure half way writes none.
        refuseWrites(QStringLiteral("CREATE TEMP TRIGGER stop BEFORE UPDATE OF T_O ON Prodajbi_Vremenni WHEN NEW.N_Prodajba = %1 "
                            "BEGIN SELECT RAISE(ABORT, 'stop'); END").arg(mine.last()));
        QVERIFY_THROWS_EXCEPTION(DbError, DeskLines::applyGeneralDiscount(mine, 1));
        QCOMPARE(field(mine.first(), "T_O").toDouble(), 4.5);
    }

    void rulesWindowTable()
    {
        TestProgram program;
        shop();
        rule(5, "G", 3, 5);
        DiscountRules::createWorkTable();
        DiscountRules::load(5);
        auto rows = [] { return Db::rows(DiscountRules::listSql()); };
        QCOMPARE(rows().size(), 1);
        QCOMPARE(rows().first().value(QStringLiteral("Opisanie")).toString(), QStringLiteral("Кафе"));
        DiscountRules::add(QLatin1Char('A'), 17, QStringLiteral("Кафе"), 10, 0);
        const long long loaded = rows().first().value(0).toLongLong();
        DiscountRules::edit(loaded, 6);
        DiscountRules::edit(loaded, 7);
        QVERIFY(DiscountRules::hasUnsaved());
        DiscountRules::save(5);
        QCOMPARE(Discounts::GET_TO(17, 5), Decimal(10));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT T_O FROM SP_otstapka WHERE Otnasq_se_za = 'G'")).toDouble(), 7.0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM SP_otstapka")).toInt(), 2);
        // A loaded rule removed and saved is gone.
        DiscountRules::load(5);
        DiscountRules::remove(rows().first().value(0).toLongLong());
        QCOMPARE(rows().size(), 1);
        DiscountRules::save(5);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM SP_otstapka")).toInt(), 1);
        // A rule added again for the same article updates it.
        DiscountRules::add(QLatin1Char('A'), 17, QStringLiteral("Кафе"), 12, 0);
        DiscountRules::save(5);
        QCOMPARE(Discounts::GET_TO(17, 5), Decimal(12));
        DiscountRules::dropWorkTable();

        // Records that rules and lines name stay.
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Firmi"), QStringLiteral("ID"), 5), QStringLiteral("SP_otstapka"));
        DeskLines::insertLine(line(7, QStringLiteral("1"), QStringLiteral("3"), 3));
        QCOMPARE(ColumnRegistry::referencedBy(QStringLiteral("Operators"), QStringLiteral("Ime"), QStringLiteral("Иван")),
                 QStringLiteral("Prodajbi_Vremenni"));
        QVERIFY(!ColumnRegistry::referencedBy(QStringLiteral("Produkti"), QStringLiteral("ID"), 7).isEmpty());
    }

    void baseCurrency()
    {
        TestProgram program;
        exec(QStringLiteral("DELETE FROM Valuti"));
        QCOMPARE(CurrencyRates::baseCurrency(), QStringLiteral("BGL"));
        exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False'), ('ЛВ', 1, 'False')"));
        QCOMPARE(CurrencyRates::baseCurrency(), QStringLiteral("ЛВ"));
        exec(QStringLiteral("UPDATE Valuti SET Osn = 'True' WHERE Opisanie = 'EUR'"));
        QCOMPARE(CurrencyRates::baseCurrency(), QStringLiteral("EUR"));
    }

    void deskShowsTheBill()
    {
        TestProgram program;
        shop();
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
        OperatorCounterpartyList.clear();
        CurrentBill = 0;
        QWidget tab;
        const DeskControls c = deskControls(&tab);
        ShopDesk desk(c);
        desk.afterLogin();
        QCOMPARE(desk.Label_Leva->text(), QStringLiteral("0.00"));
        QCOMPARE(c.Label_Selected_Kontragent->text(), QStringLiteral("0:Няма избран контрагент"));
        QVERIFY(!c.Label_Selected_Kontragent->isEnabled());
        QVERIFY(c.Label_Selected_Kontragent->styleSheet().contains(QStringLiteral("red")));

        DeskArticleID = 7;
        DeskListPrice = 3;
        c.Edit_Broj->setText(QStringLiteral("2"));
        desk.Edit_Cena_Nula->setText(QStringLiteral("3"));
        desk.Button_Insert_in_ListClick();
        QCOMPARE(desk.Label_Leva->text(), QStringLiteral("6.00"));
        QCOMPARE(c.Label_Selected_Kontragent->text(), QStringLiteral("0: Няма избран контрагент"));
        QVERIFY(c.Label_Selected_Kontragent->isEnabled());
        QCOMPARE(desk.Label68->text(), QStringLiteral("ДДС 20.00% :"));
        QCOMPARE(desk.Label_DDS->text(), QStringLiteral("1.00"));

        // The counterparty taken with its discounts: asked, then the bill's lines change.
        rule(5, "A", 7, 50);
        PlatformScript::answer(true);
        desk.takeCounterparty(QStringLiteral("5:Чаша ООД"));
        QCOMPARE(desk.Label_Leva->text(), QStringLiteral("3.00"));
        QVERIFY(c.Label_Selected_Kontragent->styleSheet().contains(QStringLiteral("blue")));
        desk.afterLogin(); // a new login keeps the counterparty in blue
        QCOMPARE(c.Label_Selected_Kontragent->text(), QStringLiteral("5:Чаша ООД"));

        // Quantity 0 never adds a line.
        c.Edit_Broj->setText(QStringLiteral("0"));
        desk.Button_Insert_in_ListClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Не са въведени коректни данни"));
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")).toInt(), 1);

        // "Добавяне в списък" denied: Enter in the price field adds nothing either.
        ItemRights::install({[](const QString &item) { return item != QLatin1String("Enter1"); },
                             [](const QString &) { return QStringLiteral("Действия → Добавяне в списък"); }});
        DeskArticleID = 7;
        c.Edit_Broj->setText(QStringLiteral("1"));
        desk.Edit_Cena_Nula->setText(QStringLiteral("3"));
        QTest::keyClick(desk.Edit_Cena_Nula, Qt::Key_Return);
        ItemRights::install({});
        QCOMPARE(Db::scalar(QStringLiteral("SELECT COUNT(*) FROM Prodajbi_Vremenni")).toInt(), 1);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(),
                 ItemRights::refusal(QStringLiteral("Действия → Добавяне в списък")));
    }

    void generalDiscountDialog()
    {
        TestProgram program(false);
        TOKBottomDlg dlg;
        dlg.FormShow();
        QCOMPARE(dlg.Edit_Ob6ta_TO->text(), QStringLiteral("0.0000"));
        dlg.Edit_Cena1->setText(QStringLiteral("10"));
        dlg.Edit_Cena2->selectAll();
        QTest::keyClick(dlg.Edit_Cena2, Qt::Key_Backspace); // emptied: "1" again
        QCOMPARE(dlg.Edit_Cena2->text(), QStringLiteral("1"));
        dlg.Edit_Cena2->selectAll();
        QTest::keyClicks(dlg.Edit_Cena2, QStringLiteral("12"));
        QCOMPARE(dlg.Edit_Ob6ta_TO->text(), QStringLiteral("-20.0000"));
        dlg.Edit_Ob6ta_TO->setText(QStringLiteral("abc"));
        dlg.OKBtnClick();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).last().contains(QStringLiteral("не по-голямо от 100")));
        dlg.Edit_Ob6ta_TO->setText(QStringLiteral("7,5"));
        dlg.OKBtnClick();
        QCOMPARE(dlg.percent(), dec("7.5"));
    }

    void rulesWindow()
    {
        TestProgram program;
        shop();
        rule(5, "G", 3, 5);
        rule(6, "A", 7, 1);
        TForm_Spec_Otstapki w;
        w.Button_New_T_OClick();
        w.Button_Show_All_TOClick();
        QCOMPARE(w.counterparties()->rowCount(), 2);
        w.Edit_Cena1->setText(QStringLiteral("10"));
        w.Edit_Cena2->setText(QStringLiteral("12"));
        w.Edit_Cena2Enter();
        QCOMPARE(w.Edit_TO->text(), QStringLiteral("-20.0000"));
        w.Edit_Cena1->setText(QStringLiteral("0"));
        w.Edit_Cena2Enter();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).last(), QStringLiteral("Некоректни данни"));

        w.loadCounterparty(5, QStringLiteral("Чаша ООД"));
        QCOMPARE(w.rules()->rowCount(), 1);
        w.ComboBox_Select_G_A->setCurrentIndex(1);
        w.Label_TO_Artikul->setText(QStringLiteral("17:Кафе"));
        w.Edit_TO->setText(QStringLiteral("abc"));
        w.Button_Nova_TOClick(); // refused: no number
        QCOMPARE(w.rules()->rowCount(), 1);
        w.Edit_TO->setText(QStringLiteral("10"));
        w.Button_Nova_TOClick();
        QCOMPARE(w.rules()->rowCount(), 2);
        // Switching with an unsaved row asks to save it for the counterparty shown.
        PlatformScript::answer(true);
        w.loadCounterparty(6, QStringLiteral("Абв"));
        QCOMPARE(Discounts::GET_TO(17, 5), Decimal(10));
        QCOMPARE(Discounts::GET_TO(17, 6), Decimal(0));
        QCOMPARE(w.rules()->rowCount(), 1);
        // An unsaved row is shown but the all-counterparties print reads the stored rules.
        w.Label_TO_Artikul->setText(QStringLiteral("17:Кафе"));
        w.Edit_TO->setText(QStringLiteral("3"));
        w.Button_Nova_TOClick();
        ExportExtension = QStringLiteral(".txt");
        w.RadioGroupPe4at_TOClick(1);
        QFile file(program.file(QStringLiteral("TEMP/Spr_ТО.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(QStringLiteral("Справка Отстъпки за всички контрагенти")));
        QVERIFY(text.contains(QStringLiteral("Контрагент: 5:Чаша ООД")));
        QCOMPARE(text.count(QStringLiteral("Кафе")), 2); // group 3 and article 17 of counterparty 5; not the unsaved row
        QCOMPARE(w.rules()->rowCount(), 2);
    }
};

VTEST(DeskLinesTest)
#include "test_desk_lines.moc"
