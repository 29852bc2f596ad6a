#include "app/app_state.h"
#include "app/form_get_kol.h"
#include "common/settings.h"
#include "counterparties/counterparty_list.h"
#include "counterparties/form_kontrakents.h"
#include "desk/desk_entry.h"
#include "desk/desk_state.h"
#include "desk/form_konsignation.h"
#include "desk/form_pay_type.h"
#include "desk/form_vnoski_kredit.h"
#include "desk/shop_desk.h"
#include "desk/text_viewer.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/db/postgres_engine.h"
#include "platform/script.h"
#include "desk_controls.h"
#include "test_registry.h"
#include "test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
void exec(const QString &sql, const QVariantList &params = {})
{
    Db::execute(sql, params);
}

int count(const char *table)
{
    return Db::scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QString::fromLatin1(table))).toInt();
}

// Warehouse 1 active, article 17 at 250 BGL, counterparty 5, operator Иван with two open lines of 2 (1000 leva).
struct Desk {
    QWidget tab;
    DeskControls c;
    std::unique_ptr<ShopDesk> desk;
    long long a = 0, b = 0;

    Desk()
    {
        exec(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (1, 'Магазин')"));
        exec(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('BGL', 1, 'False')"));
        exec(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Dan_Grup, Min_Kol) VALUES (17, "
                            "'Хладилник', 250, 'BGL', 1, -100)"));
        exec(QStringLiteral("INSERT INTO Store_Kol (Art_ID, Sklad_ID, Kol) VALUES (17, 1, 10)"));
        exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (1, 'Петър')"));
        exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (5, 'Чаша ООД', 1)"));
        for (long long *n : {&a, &b}) {
            exec(QStringLiteral("INSERT INTO Prodajbi_Vremenni (Barkod, Opisanie, Kol, Ed_Cena, Valuta, Operator, T_O, "
                                "Sm_N, Term_N, Dan_Grup) VALUES (17, 'Хладилник', 2, 250, 'BGL', 'Иван', 0, 0, 2, 1)"));
            *n = Db::scalar(QStringLiteral("SELECT MAX(N_Prodajba) FROM Prodajbi_Vremenni")).toLongLong();
        }
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
        AppState::instance().setActiveWarehouseText(QStringLiteral("1:Магазин"));
        AppState::instance().setTerminal(2);
        OperatorCounterpartyList.clear();
        CurrentBill = 0;
        c = deskControls(&tab);
        desk = std::make_unique<ShopDesk>(c);
        desk->afterLogin();
    }
    void markAll() { desk->N_Select_AllClick(); }
};

double shown(QLabel *l)
{
    return l->text().toDouble();
}
} // namespace

class DeferredDeskTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void contractOfADeskSale()
    {
        TestProgram program;
        Desk d;
        d.desk->takeCounterparty(QStringLiteral("5:Чаша ООД")); // no discount question: no rules asked for
        d.markAll();
        QStringList seen;
        PlatformScript::setModalHandler([&](QDialog *w) {
            seen << w->objectName();
            if (auto *pay = qobject_cast<TForm_Pay_Type *>(w)) {
                if (!pay->Item[2]->isVisibleTo(pay))
                    return int(QDialog::Rejected);
                // Deferring cash that pays everything is refused.
                pay->setItemIndex(2);
                pay->Edit_Dadena_Sum->setText(QStringLiteral("1000"));
                pay->BitBtn_PriemiClick();
                if (pay->result() == QDialog::Accepted)
                    return int(QDialog::Accepted);
                pay->setItemIndex(0);
                pay->Edit_Dadena_Sum->setText(QStringLiteral("200"));
                pay->BitBtn_PriemiClick(); // short: the contract window
                return pay->result();
            }
            auto *k = qobject_cast<TForm_Konsignation *>(w);
            if (!k)
                return int(QDialog::Rejected);
            k->show();
            if (k->Label_Ob6to_Sum_Art->text() != QStringLiteral("1000.0000") || !k->Edit_First_Vnoska->isVisible()
                || k->Edit_First_Vnoska->text() != QStringLiteral("200.00"))
                return int(QDialog::Rejected);
            k->Edit_Lihva->setText(QStringLiteral("2"));
            k->SpEdit_Broj_Vnosk->setValue(3);
            if (k->Label_Ob6to_Sum->text() != QStringLiteral("848.9664")
                || k->Label_Vnoska->text() != QStringLiteral("282.9900")) // 848.97 in three
                return int(QDialog::Rejected);
            // The second line leaves the contract; the sums follow what is shown.
            k->DBGrid_Konsignation->selectRow(1);
            k->Button_DeleteClick();
            if (k->Label_Ob6to_Sum_Art->text() != QStringLiteral("500.0000")
                || k->Label_Ob6to_Sum->text() != QStringLiteral("318.3624"))
                return int(QDialog::Rejected);
            k->BitBtn_OkClick();
            return k->result();
        });
        d.desk->Button_ProdajbaClick();
        QCOMPARE(seen, (QStringList{QStringLiteral("Form_Pay_Type"), QStringLiteral("Form_Konsignation")}));
        QVERIFY(PlatformScript::texts(QStringLiteral("message"))
                    .contains(QStringLiteral("Сумата в брой покрива дължимата сума: плащането не може да бъде "
                                             "отложено.")));
        QCOMPARE(count("Konsignation"), 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Konsign_N FROM Prodajbi WHERE ID_Prodajba = ?"), {d.a}).toLongLong(),
                 1LL);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT ED_Cena FROM Prodajbi WHERE ID_Art = 0")).toDouble(), 200.0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT N_Prodajba FROM Prodajbi_Vremenni")).toLongLong(), d.b);
        QVERIFY(!workTableExists(QStringLiteral("Konsignation_TMP")));
        // The desk shows the counterparty's debts.
        QVERIFY(d.desk->SpdBtn_Zadaljeniq->isVisibleTo(d.c.DeskArea));
    }

    void shortCashWithoutCounterparty()
    {
        TestProgram program;
        Desk d;
        d.desk->DBGrid1->selectRow(1); // only the second line
        const QList<long long> first = d.desk->markedLines();
        QList<long long> marked;
        bool pick = false;
        PlatformScript::setModalHandler([&](QDialog *w) {
            if (auto *pay = qobject_cast<TForm_Pay_Type *>(w)) {
                if (pay->Item[2]->isVisibleTo(pay))
                    return int(QDialog::Accepted);
                pay->Edit_Dadena_Sum->setText(QStringLiteral("100"));
                pay->BitBtn_PriemiClick();
                marked = d.desk->markedLines();
                return pay->result() == QDialog::Accepted ? int(QDialog::Accepted) : int(QDialog::Rejected);
            }
            if (qobject_cast<TForm_Kontrakents *>(w)) {
                if (pick) {
                    PlatformScript::answer(false); // no discounts
                    d.desk->takeCounterparty(QStringLiteral("5:Чаша ООД"));
                }
                return int(QDialog::Rejected);
            }
            if (auto *k = qobject_cast<TForm_Konsignation *>(w)) {
                // An emptied contract is refused; then "ОТКАЗ".
                k->show();
                k->DBGrid_Konsignation->selectAll();
                k->Button_DeleteClick();
                k->BitBtn_OkClick();
                if (k->isVisible())
                    k->BitBtn2Click();
                return k->result();
            }
            return int(QDialog::Rejected);
        });
        // "ОТКАЗ" in the counterparty choice: nothing sold, the dialog stays.
        d.desk->Button_ProdajbaClick();
        QCOMPARE(count("Prodajbi"), 0);
        QVERIFY(PlatformScript::texts(QStringLiteral("message"))
                    .contains(QStringLiteral("Необходимо е да се посочи контрагент за консигнацията!")));
        // A counterparty chosen: exactly the first marked line is marked again.
        pick = true;
        PlatformScript::clearEvents();
        d.desk->DBGrid1->clearSelection();
        d.desk->DBGrid1->selectRow(1);
        d.desk->Button_ProdajbaClick();
        QCOMPARE(marked, first);
        QVERIFY(PlatformScript::texts(QStringLiteral("message")).contains(QStringLiteral("Договорът няма артикули.")));
        QCOMPARE(count("Prodajbi"), 0);
        QCOMPARE(count("Konsignation"), 0);
        QCOMPARE(count("Prodajbi_Vremenni"), 2);
    }

    void contractWindowDates()
    {
        TestProgram program;
        Desk d;
        Consignment::Draft draft;
        PlatformScript::setModalHandler([&](QDialog *w) {
            auto *k = qobject_cast<TForm_Konsignation *>(w);
            k->show();
            k->DateTimePicker_Otdavane->setDate(QDate(2026, 1, 31));
            k->SpEdit_Broj_Vnosk->setValue(2);
            k->SpEdit_Broj_Vnosk->setValue(3);
            if (k->DateTimePicker_Pay->date() != QDate(2026, 4, 30))
                return int(QDialog::Rejected);
            k->ComboBox_Period_Vnosk->setCurrentIndex(Consignment::Days);
            k->SpEdit_Broj_Vnosk->setValue(10);
            if (k->DateTimePicker_Pay->date() != QDate(2026, 2, 10))
                return int(QDialog::Rejected);
            // Not a number: refused, the window stays.
            k->Edit_Lihva->setText(QStringLiteral("две"));
            k->BitBtn_OkClick();
            if (!k->isVisible())
                return int(QDialog::Rejected);
            k->Edit_Lihva->setText(QStringLiteral("0"));
            // Printed: the contract text is handed to the viewer.
            k->Button_Pe4atClick();
            k->BitBtn_OkClick();
            return k->result();
        });
        QString viewed;
        TextViewer::setViewer([&](const QString &path, QWidget *) { viewed = path; });
        const auto line = Consignment::GETDATA_TO_KONSIGNATION(d.a);
        QVERIFY(line.has_value());
        const int r = TForm_Konsignation::INSERTINTO_KONSIGNATION(nullptr, {*line}, QStringLiteral("5:Чаша ООД"), 0,
                                                                  &draft);
        TextViewer::setViewer({});
        QCOMPARE(r, int(TForm_Konsignation::Saved));
        QCOMPARE(draft.count, 10);
        QCOMPARE(draft.period, int(Consignment::Days));
        QCOMPARE(draft.finalDate, QDate(2026, 2, 10));
        QCOMPARE(draft.openLines, QList<long long>{d.a});
        QCOMPARE(draft.downPayment, Decimal());
        QVERIFY(viewed.endsWith(QStringLiteral("TEMP/Vnoski_Pay.tmp")));
        QFile f(viewed);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll()).contains(QStringLiteral("10 вноска")));
        QCOMPARE(count("Konsignation"), 0); // the window writes nothing
    }

    void openBill()
    {
        TestProgram program;
        Desk d;
        PlatformScript::setModalHandler([](QDialog *w) {
            auto *prompt = qobject_cast<TForm_Get_Kol *>(w);
            prompt->show();
            prompt->Edit_Kol->setText(QStringLiteral("12"));
            prompt->BitBtn1Click();
            return prompt->result();
        });
        d.desk->N39Click();
        QCOMPARE(CurrentBill, 12);
        QCOMPARE(d.c.ComboBox_Smetka->currentText(), QStringLiteral("12"));
        QCOMPARE(d.c.ComboBox_Smetka->itemText(d.c.ComboBox_Smetka->count() - 1), QStringLiteral("12"));
        QVERIFY(!d.c.Panel_Smetki->isHidden());
        QCOMPARE(d.desk->lines()->rowCount(), 0); // bill 12 has no lines yet
    }

    void browserDebtors()
    {
        TestProgram program;
        Desk d;
        exec(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (2, 'Мария')"));
        exec(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (6, 'Без дълг', 2)"));
        exec(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Broj_Vnosk, Payed) VALUES (1, 5, 1, 'False'), "
                            "(2, 6, 1, 'True')"));
        QString opened;
        TForm_Kontrakents::InstalmentsOpener = [&](QWidget *, const QString &c) { opened = c; };
        TForm_Kontrakents::DebtorsSql = Consignment::debtorsSql();
        TForm_Kontrakents w;
        QVERIFY(w.N_Vnoski->isEnabled() && w.N_Dlajnici->isEnabled());
        w.N_Dlajnici->trigger();
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.currentRecord().value(QStringLiteral("ID")).toLongLong(), 5LL);
        w.N_Vnoski->trigger();
        QCOMPARE(opened, QStringLiteral("5:Чаша ООД"));
        TForm_Kontrakents::InstalmentsOpener = {};
        TForm_Kontrakents::DebtorsSql.clear();
    }

    void instalmentWindow()
    {
        TestProgram program;
        Desk d;
        exec(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Broj_Vnosk, Payed, First_Vnosk, Lihva) VALUES "
                            "(4, 5, 2, 'False', 0, 0), (6, 5, 1, 'False', 0, 0)"));
        exec(QStringLiteral("INSERT INTO Prodajbi (ID_Art, Kol, ED_Cena, Valuta, ID_Klient, T_O, Konsign_N) VALUES "
                            "(17, 1, 300, 'BGL', 5, 0, 4), (17, 1, 80, 'BGL', 5, 0, 6)"));
        TForm_Vnoski_Kredit w;
        w.loadContracts(QStringLiteral("5:Чаша ООД"));
        QCOMPARE(w.ComboBox_N_Kredit->count(), 2);
        QCOMPARE(w.Label_Sum_Vnoska->text(), QStringLiteral("150.0000"));
        QCOMPARE(w.Label_N_Vnoska->text(), QStringLiteral("1"));
        QVERIFY(w.ChkBox_4ast_Pay->isEnabled());
        w.ChkBox_4ast_Pay->click();
        QCOMPARE(w.Edit_4ast_Pay->text(), QStringLiteral("0"));
        w.Edit_4ast_Pay->setText(QStringLiteral("200"));
        w.Button_PayClick(); // more than the instalment
        QCOMPARE(count("Vnoski"), 0);
        w.Edit_4ast_Pay->setText(QStringLiteral("60"));
        w.Button_PayClick();
        QCOMPARE(w.Label_4ast_Pay_SUM->text(), QStringLiteral("90.0000"));
        QVERIFY(!w.ChkBox_4ast_Pay->isChecked());
        w.Button_PayClick();
        QCOMPARE(w.Label_N_Vnoska->text(), QStringLiteral("2"));
        // Contract 6 paid at once closes and leaves the list.
        w.ComboBox_N_Kredit->setCurrentIndex(1);
        w.ComboBox_N_KreditChange();
        w.Button_PayClick();
        QCOMPARE(w.ComboBox_N_Kredit->count(), 1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Konsign_N FROM Prodajbi WHERE ED_Cena = 80 AND ID_Art = 17")).toLongLong(), -1LL);
        // Contract 8, its goods worth less than its down payment: closed
        // without money and without a receipt, and said so.
        exec(QStringLiteral("INSERT INTO Konsignation (ID, ID_Kontrag, Broj_Vnosk, Payed, First_Vnosk, Lihva) VALUES "
                            "(8, 5, 2, 'False', 50, 0)"));
        exec(QStringLiteral("INSERT INTO Prodajbi (ID_Art, Kol, ED_Cena, Valuta, ID_Klient, T_O, Konsign_N) VALUES "
                            "(17, 1, 30, 'BGL', 5, 0, 8)"));
        w.loadContracts(QStringLiteral("5:Чаша ООД"));
        w.ComboBox_N_Kredit->setCurrentIndex(w.ComboBox_N_Kredit->findText(QStringLiteral("8")));
        w.ComboBox_N_KreditChange();
        PlatformScript::clearEvents();
        const int rows = count("Prodajbi");
        w.Button_PayClick();
        QCOMPARE(w.ComboBox_N_Kredit->findText(QStringLiteral("8")), -1);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Payed FROM Konsignation WHERE ID = 8")).toString(),
                 QStringLiteral("True"));
        QCOMPARE(count("Prodajbi"), rows);
        QVERIFY(PlatformScript::texts(QStringLiteral("message"))
                    .contains(QStringLiteral("Договор N: 8 е закрит: по него не остава нищо за плащане.")));
        // A counterparty without contracts: an empty list and no state.
        w.loadContracts(QStringLiteral("0: Няма избран контрагент"));
        QCOMPARE(w.ComboBox_N_Kredit->count(), 0);
        QVERIFY(!w.ChkBox_4ast_Pay->isEnabled());
        QCOMPARE(w.Label_Sum_Vnoska->text(), QStringLiteral("0.0000"));
    }
};

// The connection to the server cut in the middle of a desk sale: the cashier
// reads why in Bulgarian, the lines stay open and nothing of the sale is
// saved; the next sale connects again by itself.
class DeskLostConnectionTest : public QObject
{
    Q_OBJECT
    // The payment window, when it opens: cash, 1000 given, "ПРИЕМИ".
    static void payInCash()
    {
        PlatformScript::setModalHandler([](QDialog *w) {
            auto *pay = qobject_cast<TForm_Pay_Type *>(w);
            if (!pay)
                return int(QDialog::Rejected);
            pay->setItemIndex(0);
            pay->Edit_Dadena_Sum->setText(QStringLiteral("1000"));
            pay->BitBtn_PriemiClick();
            return pay->result();
        });
    }

private Q_SLOTS:
    void aSaleCutOffIsToldAndTheNextGoesThrough()
    {
        if (!testOnServer())
            QSKIP("a connection to a server: a SQLite file has none to lose");
        TestProgram program;
        Desk d;
        payInCash();
        {
            ConnectionCutter cutter(QStringLiteral("Store_Kol"));
            d.markAll();
            d.desk->Button_ProdajbaClick();
            QVERIFY2(cutter.cut(), qPrintable(PlatformScript::texts(QStringLiteral("message")).join(QLatin1Char('\n'))));
        }
        const QString told = PlatformScript::texts(QStringLiteral("message")).value(0);
        QVERIFY2(told.startsWith(QStringLiteral("Продажбата не беше извършена:\n")
                                 + QString::fromUtf8(PostgresEngine::LostText)),
                 qPrintable(told));
        QCOMPARE(count("Prodajbi"), 0);
        QCOMPARE(count("Prodajbi_Vremenni"), 2);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 17")).toDouble(), 10.0);
        d.markAll();
        d.desk->Button_ProdajbaClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(count("Prodajbi"), 2);
        QCOMPARE(count("Prodajbi_Vremenni"), 0);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 17")).toDouble(), 6.0);
    }

    // A server that stops answering while its machine still acknowledges
    // (its session stopped): the look-up and the save give up at the
    // program's own limit and say so, what was typed stays, nothing is
    // half-written, and the next action connects again.
    void aServerThatStopsAnsweringIsToldAndLetGo()
    {
        if (!testOnServer())
            QSKIP("a server's session: a SQLite file has none to stop");
        TestProgram program;
        Desk d;
        payInCash();
        const QString noAnswer = QString::fromUtf8(PostgresEngine::NoAnswerText);
        const auto told = [] { return PlatformScript::texts(QStringLiteral("message")); };
        const auto lookUp = [&d] {
            d.desk->Label_Search_In->setText(QStringLiteral("a."));
            d.desk->Edit_Barkod->setText(QStringLiteral("17"));
            d.desk->entry()->Edit_BarkodExit();
        };
        Db::setWaitLimitForTests(Db::Wait::Statement, 2000 * slowdown());
        {
            StoppedSession stopped;
            lookUp();
        }
        QCOMPARE(told().size(), 1);
        QVERIFY2(told().value(0).contains(noAnswer), qPrintable(told().value(0)));
        QCOMPARE(d.desk->Edit_Barkod->text(), QStringLiteral("17"));
        {
            StoppedSession stopped(QStringLiteral("Store_Kol"));
            d.markAll();
            d.desk->Button_ProdajbaClick();
            QVERIFY(stopped.stopped());
        }
        Db::setWaitLimitForTests(Db::Wait::Statement, 0);
        QCOMPARE(told().size(), 2);
        QVERIFY2(told().value(1).startsWith(QStringLiteral("Продажбата не беше извършена:\n") + noAnswer),
                 qPrintable(told().value(1)));
        QCOMPARE(count("Prodajbi"), 0);
        QCOMPARE(count("Prodajbi_Vremenni"), 2);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 17")).toDouble(), 10.0);
        lookUp();
        QCOMPARE(told().size(), 2);
        QCOMPARE(DeskArticleID, 17LL);
        d.markAll();
        d.desk->Button_ProdajbaClick();
        QCOMPARE(told().size(), 2);
        QCOMPARE(count("Prodajbi"), 2);
        QCOMPARE(Db::scalar(QStringLiteral("SELECT Kol FROM Store_Kol WHERE Art_ID = 17")).toDouble(), 6.0);
    }
};

VTEST(DeferredDeskTest)
VTEST(DeskLostConnectionTest)
#include "test_deferred_desk.moc"
