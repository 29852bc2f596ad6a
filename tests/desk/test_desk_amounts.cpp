// The desk's money road as a cashier meets it: what the desk asks, the
// payment window, the receipts, the words and the stored figures.
#include "app/app_state.h"
#include "common/cp1251.h"
#include "common/settings.h"
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
