// The desk's money road as a cashier meets it: what the desk asks, the
// payment window, the receipts, the words and the stored figures.
#include "app/app_state.h"
#include "common/cp1251.h"
#include "common/settings.h"
#include "desk/consignment.h"
#include "desk/desk_entry.h"
#include "desk/desk_state.h"
#include "desk/device_file_writer.h"
#include "desk/form_pay_type.h"
#include "desk/form_spec_otstapki.h"
#include "desk/sale.h"
#include "desk/shop_desk.h"
#include "desk/tok_bottom_dlg.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/script.h"
#include "desk_controls.h"
#include "test_registry.h"
#include "test_support.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

int count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QString::fromLatin1(table))).toInt();
}

QString lastMessage()
{
    const QStringList m = PlatformScript::texts(QStringLiteral("message"));
    return m.isEmpty() ? QString() : m.last();
}

// Warehouse 1, BGL and EUR (1.95583), article 1 at 2.307 BGL (VAT group 2),
// article 2 at 10 BGL (VAT group 1), counterparty 5.
void shop()
{
    exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
    exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'True'), ('EUR', 1.95583, 'False')"));
    exec(QStringLiteral("INSERT INTO Grupi (ID, Opisanie) VALUES (1, 'Храни')"));
    exec(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Garancionen, "
                        "Poredica, Trajnost, Max_TO, Dan_Grup, Prigotvq_Se, Min_Kol) VALUES "
                        "(1, 1, 'Бонбони', 2.307, 'BGL', 'кг', 'False', 'False', '', 0, 2, 0, -1000000), "
                        "(2, 1, 'Кафе', 10, 'BGL', 'бр', 'False', 'False', '', 0, 1, 0, -1000000)"));
    exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (1, 'Петров')"));
    exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol, T_O) VALUES (5, 'Чаша ООД', 1, 0)"));
}

// An open line of Иван's bill 0, as stored.
long long openLine(long long article, double quantity, double price, const char *currency = "BGL",
                   double discount = 0, int vatGroup = 1)
{
    exec(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, T_O, Sm_N, "
                        "Term_N, Dan_Grup, Prigotvq_Se) VALUES (?, 'Артикул', ?, ?, ?, 'Иван', ?, 0, 2, ?, 0)"),
         {article, quantity, price, QString::fromLatin1(currency), discount, vatGroup});
    return Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
}

// A desk on the shop tab's controls.
struct Desk {
    QWidget tab;
    DeskControls c;
    std::unique_ptr<ShopDesk> desk;
    Desk()
    {
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
        AppState::instance().setActiveWarehouseText(QStringLiteral("1:Магазин"));
        AppState::instance().setTerminal(2);
        OperatorCounterpartyList.clear();
        CurrentBill = 0;
        LineEditFlag = false;
        c = deskControls(&tab);
        desk = std::make_unique<ShopDesk>(c);
        desk->afterLogin();
    }
    // The article found by its number, its price shown; then the quantity,
    // the price (as shown when `price` is null) and Enter.
    void addLine(long long article, const char *quantity, const char *price = nullptr)
    {
        desk->Label_Search_In->setText(QStringLiteral("a."));
        desk->Edit_Barkod->setText(QString::number(article));
        desk->entry()->Edit_BarkodExit();
        c.Edit_Broj->setText(QString::fromLatin1(quantity));
        if (price)
            desk->Edit_Cena_Nula->setText(QString::fromLatin1(price));
        desk->Button_Insert_in_ListClick();
    }
    // "Продажба" in cash, the payment window accepted as it opens; its amount due.
    QString sellInCash()
    {
        QString due;
        PlatformScript::setModalHandler([&due](QDialog *d) {
            auto *pay = qobject_cast<TForm_Pay_Type *>(d);
            if (!pay)
                return int(QDialog::Rejected);
            due = pay->Edit_Dalji_Sum->text();
            pay->BitBtn_PriemiClick();
            return pay->result();
        });
        desk->N_Select_AllClick();
        desk->Button_ProdajbaClick();
        PlatformScript::setModalHandler({});
        return due;
    }
};

QString receipt(int n)
{
    DeviceFileWriter::instance().flush();
    QFile f(QDir(Settings::receiptFolder()).filePath(QStringLiteral("BON%1.bon").arg(n)));
    return f.open(QIODevice::ReadOnly) ? Cp1251::decode(f.readAll()) : QString();
}

// What a device charges for a fiscal receipt: each record's price (stotinki)
// times its quantity (thousandths), rounded half away from zero; in stotinki.
long long deviceTotal(const QString &receiptText)
{
    static const QRegularExpression record(QStringLiteral("^%[^^]*\\^[^^]*\\^(-?\\d+)\\^(\\d+)\\^\\d+\\^$"));
    long long total = 0;
    for (const QString &line : receiptText.split(QStringLiteral("\r\n"))) {
        const auto m = record.match(line);
        if (!m.hasMatch())
            continue;
        const long long milli = m.captured(1).toLongLong() * m.captured(2).toLongLong(); // stotinki × 1/1000
        total += (milli + 500) / 1000;
    }
    return total;
}

// Each VAT group's share of a fiscal receipt as a device charges it:
// "<group>:<leva>" in the order of the groups, records and corrections together.
QString groupTotals(const QString &receiptText)
{
    static const QRegularExpression record(QStringLiteral("^%[^^]*\\^[^^]*\\^(-?\\d+)\\^(\\d+)\\^(\\d+)\\^$"));
    QMap<int, long long> groups;
    for (const QString &line : receiptText.split(QStringLiteral("\r\n"))) {
        const auto m = record.match(line);
        if (m.hasMatch())
            groups[m.captured(3).toInt()] += (m.captured(1).toLongLong() * m.captured(2).toLongLong() + 500) / 1000;
    }
    QStringList out;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        out << QStringLiteral("%1:%2").arg(it.key()).arg(QString::number(it.value() / 100.0, 'f', 2));
    return out.join(QLatin1Char(' '));
}

double column(const char *sql)
{
    return Db::scalar(QString::fromLatin1(sql)).toDouble();
}
} // namespace

class DeskAmountsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A discount is at most 100 %: typed in "Свободна отстъпка", in a special
    // rule, or found stored on a line at the sale.
    void discountsAboveAHundredAreRefused()
    {
        TestProgram program;
        shop();
        DeviceFileWriter::instance().resetForTest();
        const struct {
            const char *typed;
            bool accepted;
        } cases[] = {{"150", false}, {"100.0001", false}, {"100", true}, {"0", true},
                     {"-20", true},  {"12.12345", false}, {"abc", false}};
        TOKBottomDlg free;
        TForm_Spec_Otstapki rules;
        rules.Button_New_T_OClick();
        rules.loadCounterparty(5, QStringLiteral("Чаша ООД"));
        rules.ComboBox_Select_G_A->setCurrentIndex(1);
        int stored = 0;
        for (const auto &k : cases) {
            free.FormShow();
            free.Edit_Ob6ta_TO->setText(QString::fromLatin1(k.typed));
            free.setResult(QDialog::Rejected);
            free.OKBtnClick();
            QVERIFY2((free.result() == QDialog::Accepted) == k.accepted, k.typed);
            if (!k.accepted && k.typed[0] != 'a')
                QVERIFY2(lastMessage().contains(QStringLiteral("100")), qPrintable(lastMessage()));

            rules.Label_TO_Artikul->setText(QStringLiteral("%1:Кафе").arg(k.accepted ? ++stored : 99));
            rules.Edit_TO->setText(QString::fromLatin1(k.typed));
            rules.Button_Nova_TOClick();
            QVERIFY2(rules.rules()->rowCount() == stored, k.typed);
        }

        // The desk's F11 with 150: the line keeps its price.
        Desk d;
        d.addLine(2, "2", "10");
        QCOMPARE(d.desk->Label_Leva->text(), QStringLiteral("20.00"));
        PlatformScript::setModalHandler([](QDialog *w) {
            auto *dlg = qobject_cast<TOKBottomDlg *>(w);
            dlg->Edit_Ob6ta_TO->setText(QStringLiteral("150"));
            dlg->OKBtnClick();
            return dlg->result() == QDialog::Accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        d.desk->N_Select_AllClick();
        d.desk->N_Ob6ta_TOClick();
        PlatformScript::setModalHandler({});
        QCOMPARE(d.desk->Label_Leva->text(), QStringLiteral("20.00"));
        QCOMPARE(column("SELECT T_O FROM Prodajbi_Vremenni"), 0.0);

        // A line stored with 150 % is not sold: no sale, no stock, no receipt.
        exec(QStringLiteral("UPDATE Prodajbi_Vremenni SET T_O = 150"));
        Settings::writeInteger(Keys::Tuning_FB, 2);
        Sale::Request r;
        r.lines = {Db::scalar(QStringLiteral("SELECT N_Prodajba FROM Prodajbi_Vremenni")).toLongLong()};
        r.op = QStringLiteral("Иван");
        r.warehouse = 1;
        QVERIFY(!Sale::sell(r).ok);
        QCOMPARE(count("Prodajbi"), 0);
        QCOMPARE(count("Prodajbi_Vremenni"), 1);
        QCOMPARE(receipt(1), QString());
    }

    // The percent is taken against the list price as the line stores it: the
    // price shown and accepted is no discount.
    void shownPriceAcceptedGivesNoDiscount()
    {
        TestProgram program;
        shop();
        const struct {
            long long article;
            int priceDecimals;
            const char *quantity;
            const char *typed; // null: the price as shown
            const char *shown, *due;
            double discount, price;
        } cases[] = {
            {1, 2, "10", nullptr, "2.31", "23.10", 0, 2.31},
            {1, 4, "10", nullptr, "2.3070", "23.0700", 0, 2.307},
            {1, 2, "1", "2.30", "2.31", "2.30", 0.43, 2.31},  // (2.31 - 2.30) × 100 / 2.31
            {1, 2, "1", "2.32", "2.31", "2.32", -0.43, 2.31}, // a surcharge
            {2, 2, "1", "8", "10.00", "8.00", 20, 10},
        };
        for (const auto &k : cases) {
            Settings::writeInteger(Keys::Values_9, k.priceDecimals);
            Desk d;
            d.desk->Label_Search_In->setText(QStringLiteral("a."));
            d.desk->Edit_Barkod->setText(QString::number(k.article));
            d.desk->entry()->Edit_BarkodExit();
            QCOMPARE(d.desk->Edit_Cena_Nula->text(), QString::fromLatin1(k.shown));
            d.addLine(k.article, k.quantity, k.typed);
            QCOMPARE(column("SELECT T_O FROM Prodajbi_Vremenni"), k.discount);
            QCOMPARE(column("SELECT Ed_Cena FROM Prodajbi_Vremenni"), k.price);
            QCOMPARE(d.desk->Label_Leva->text(), QString::fromLatin1(k.due));
            exec(QStringLiteral("DELETE FROM Prodajbi_Vremenni"));
        }
    }

    // The desk asks the bill's exact sum rounded once, half away from zero;
    // the payment window, the service receipt and the words say the same,
    // and the stored net figures carry no binary tail.
    void oneAmountDueEverywhere()
    {
        TestProgram program;
        shop();
        DeviceFileWriter::instance().resetForTest();
        Settings::writeInteger(Keys::Tuning_FB, 1);
        Settings::writeString(Keys::Tuning_24, QStringLiteral("1: ЕЛТРЕЙД - Фискален принтер"));
        const struct {
            double quantity, price;
            const char *currency;
            double discount;
            const char *due, *words;
            double lineNet; // SUM_BezDDS with 20 % VAT
        } cases[] = {
            {1.5, 1.13, "BGL", 0, "1.70", "един лева и 70 стотинки ", 1.41},
            {0.7, 207.95, "BGL", 0, "145.57", "сто  четиридесет и пет лева и 57 стотинки ", 121.30},
            {1, 17.31, "BGL", 0, "17.31", "седемнадесет  лева и 31 стотинки ", 14.43},
            {1, 8.42, "BGL", 10, "7.58", "седем лева и 58 стотинки ", 6.32},
            {1, 1, "EUR", 0, "1.96", "един лева и 96 стотинки ", 0.83}, // net in the line's currency
            {1, 21000, "BGL", 0, "21000.00", "двадесет и  една хиляди  лева и 00 стотинки ", 17500},
        };
        int n = 0;
        for (const auto &k : cases) {
            Desk d;
            openLine(2, k.quantity, k.price, k.currency, k.discount);
            d.desk->afterLogin();
            QCOMPARE(d.desk->Label_Leva->text(), QString::fromLatin1(k.due));
            QCOMPARE(d.desk->Label_Words->text(), QString::fromUtf8(k.words));
            QCOMPARE(column("SELECT SUM_BezDDS FROM Prodajbi_Vremenni"), k.lineNet);
            QCOMPARE(d.sellInCash(), QString::fromLatin1(k.due));
            QVERIFY2(receipt(++n).contains(QStringLiteral(":Общо: ") + QString::fromLatin1(k.due) + QStringLiteral("\r\n")),
                     qPrintable(receipt(n)));
            QCOMPARE(count("Prodajbi_Vremenni"), 0);
        }
        QCOMPARE(count("Prodajbi"), int(std::size(cases)));
    }

    // A cash sale's fiscal records total exactly what the desk asks, as a
    // device charges them (price × quantity, rounded, per record).
    void fiscalRecordsTotalTheAmountDue()
    {
        TestProgram program;
        shop();
        DeviceFileWriter::instance().resetForTest();
        Settings::writeInteger(Keys::Tuning_FB, 2);
        struct Line {
            double quantity, price;
            const char *currency;
            double discount;
            int vatGroup;
        };
        const struct {
            QList<Line> lines;
            const char *due;
        } cases[] = {
            {{{1, 1, "EUR", 0, 1}}, "1.96"},
            {{{4.899, 16.25, "BGL", 15.02, 1}}, "67.65"},
            {{{1.5, 1.13, "BGL", 0, 1}}, "1.70"},
            {{{10, 1.15, "BGL", 10, 1}}, "10.35"},
            {{{9, 0.991, "BGL", 0, 2}, {1, 2, "BGL", 0, 1}}, "10.92"},
            {{{1, 0.335, "BGL", 0, 1}, {1, 0.335, "BGL", 0, 1}, {1, 0.335, "BGL", 0, 1}}, "1.01"},
            {{{0.7, 207.95, "BGL", 0, 1}, {3, 3.333, "EUR", 12.5, 2}}, "162.68"},
        };
        int n = 0;
        for (const auto &k : cases) {
            Desk d;
            for (const Line &l : k.lines)
                openLine(2, l.quantity, l.price, l.currency, l.discount, l.vatGroup);
            d.desk->afterLogin();
            QCOMPARE(d.desk->Label_Leva->text(), QString::fromLatin1(k.due));
            QCOMPARE(d.sellInCash(), QString::fromLatin1(k.due));
            const QString text = receipt(++n);
            QCOMPARE(QString::number(deviceTotal(text) / 100.0, 'f', 2), QString::fromLatin1(k.due));
        }
    }

    // One case for each fault of a bill's money: the VAT groups of a fiscal
    // receipt, the bill rounded once, the VAT split as shown, a bill past the
    // range and a part payment of a large instalment.
    void billMoneyCases()
    {
        const auto sellSix = []() -> QString {
            Settings::writeInteger(Keys::Tuning_FB, 2);
            // Sold from the last line up: the 0 % line is the receipt's last record.
            openLine(2, 1, 1327.17, "BGL", 0, 0);
            for (int i = 0; i < 5; ++i)
                openLine(2, 39.6, 178.235, "BGL", 0, 2);
            Desk d;
            const QString due = d.sellInCash();
            return due + QStringLiteral(" | ") + groupTotals(receipt(1));
        };
        const auto dueOf = [](int priceDecimals, double quantity, double price) -> QString {
            Settings::writeInteger(Keys::Values_9, priceDecimals);
            Settings::writeInteger(Keys::Tuning_FB, 1);
            Settings::writeString(Keys::Tuning_24, QStringLiteral("1: ЕЛТРЕЙД - Фискален принтер"));
            openLine(2, quantity, price, "EUR");
            Desk d;
            // The total and the line's own amount as the grid shows it.
            const QString shown = d.desk->Label_Leva->text() + QStringLiteral(" | ")
                                  + Decimal::fromVariant(d.desk->lines()->value(0, QStringLiteral("Suma")))
                                        .toString(priceDecimals);
            const QString words = d.desk->Label_Words->text();
            const QString due = d.sellInCash();
            const QString text = receipt(1);
            const qsizetype at = text.indexOf(QStringLiteral(":Общо: "));
            const QString total = at < 0 ? QString() : text.mid(at + 7).section(QStringLiteral("\r\n"), 0, 0);
            return QStringList{shown, due, total, words}.join(QStringLiteral(" | "));
        };
        const auto split = [](double amount) -> QString {
            openLine(2, 1, amount);
            Desk d;
            return d.desk->Label_SUMA_BezDDS->text() + QStringLiteral(" + ") + d.desk->Label_DDS->text();
        };
        const auto pastRange = []() -> QString {
            exec(QStringLiteral("INSERT INTO Produkti (ID, Nomer_Grupa, Opisanie, Ed_Cena, Valuta_P, Mqrka, Max_TO, "
                                "Dan_Grup, Prigotvq_Se) VALUES (3, 1, 'Яхта', 100000, 'BGL', 'бр', 0, 1, 0), "
                                "(4, 1, 'Остров', 99999999.99, 'BGL', 'бр', 0, 1, 0)"));
            Desk d;
            QStringList out;
            d.addLine(3, "1000000");
            out << QString::number(count("Prodajbi_Vremenni")) << lastMessage();
            d.addLine(4, "999999.999");
            out << QString::number(count("Prodajbi_Vremenni")) << lastMessage();
            // A bill that no longer adds up (a line stored before): never 0.00.
            openLine(2, 1000000, 100000);
            d.desk->afterLogin();
            out << d.desk->Label_Leva->text();
            const QString due = d.sellInCash(); // no payment window: no amount is asked
            out << due + lastMessage();
            return out.join(QStringLiteral(" | "));
        };
        const auto partOfLargeInstalment = []() -> QString {
            exec(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Date_Otd, Date_Pay, Broj_Vnosk, Vid_Pay, "
                                "Period_Vnosk, Operator, Payed, First_Vnosk, Lihva) VALUES (1, 5, '2026-01-01', "
                                "'2026-02-01', 1, 0, 0, 'Иван', 'False', 0, 0)"));
            exec(QStringLiteral("INSERT INTO Prodajbi (ID_Art, Operator, D_Prodajba, Kol, ED_Cena, Valuta, ID_Klient, "
                                "T_O, Konsign_N, Type_Pay, Sklad_ID) VALUES (2, 'Иван', '2026-01-01', 1, 300000000, "
                                "'BGL', 5, 0, 1, 'отложено плащане', 1)"));
            const Consignment::Payment p =
                Consignment::pay(5, 1, true, QStringLiteral("0.01"), QStringLiteral("Иван"), 2, 1);
            return p.message + Consignment::state(5, 1).rest.toString(2);
        };
        const QString limit = QStringLiteral("Сумата на сметката би надхвърлила 92 233 720 368.54 лв.: редът не е записан.");
        const struct {
            const char *fault;
            std::function<QString()> run;
            QString expected;
        } cases[] = {
            {"six lines in VAT groups 0 and 2", sellSix, QStringLiteral("36617.70 | 0:1327.17 2:35290.53")},
            {"16.987 x 1.14 EUR", [&] { return dueOf(2, 16.987, 1.14); },
             QStringLiteral("37.87 | 37.87 | 37.87 | 37.87 | тридесет и  седем лева и 87 стотинки ")},
            {"1.911 x 1.0013 EUR at 4 decimals", [&] { return dueOf(4, 1.911, 1.0013).section(QStringLiteral(" | "), 0, 2); },
             QStringLiteral("3.7424 | 3.7424 | 3.7424")},
            {"VAT split of 0.03 at 20 %", [&] { return split(0.03); }, QStringLiteral("0.03 + 0.00")},
            {"VAT split of 1.23 at 20 %", [&] { return split(1.23); }, QStringLiteral("1.03 + 0.20")},
            {"a bill past the range", pastRange,
             QStringLiteral("0 | ") + limit + QStringLiteral(" | 0 | ") + limit
                 + QStringLiteral(" | извън обхвата | Сумата на избраните артикули е над 92 233 720 368.54 лв. "
                                  "Продажбата не може да бъде извършена.")},
            {"0.01 paid on an instalment of 300 000 000.00", partOfLargeInstalment, QStringLiteral("299999999.99")},
        };
        QStringList wrong;
        for (const auto &k : cases) {
            TestProgram program;
            shop();
            DeviceFileWriter::instance().resetForTest();
            PlatformScript::clearEvents();
            const QString got = k.run();
            if (got != k.expected) {
                wrong << QString::fromUtf8(k.fault);
                qWarning("%s: %s, expected %s", k.fault, qPrintable(got), qPrintable(k.expected));
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
    }

    // Quantities keep their three decimals and are never rounded to the
    // price decimals; a fourth is refused.
    void quantityKeepsItsDecimals()
    {
        TestProgram program;
        shop();
        Settings::writeInteger(Keys::Values_9, 2);
        Desk d;
        d.addLine(2, "1.2345", "10");
        QCOMPARE(count("Prodajbi_Vremenni"), 0);
        QVERIFY2(lastMessage().contains(QStringLiteral("3 знака")), qPrintable(lastMessage()));
        d.addLine(2, "1.235", "10");
        QCOMPARE(column("SELECT Kol FROM Prodajbi_Vremenni"), 1.235);
        QCOMPARE(d.desk->Label_Leva->text(), QStringLiteral("12.35"));
        d.desk->DBGrid1->setCurrentIndex(d.desk->lines()->index(0, 1));
        d.desk->DBGrid1DblClick();
        QCOMPARE(d.c.Edit_Broj->text(), QStringLiteral("1.235"));
    }
};
VTEST(DeskAmountsTest)

#include "test_desk_amounts.moc"
