#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "common/dates.h"
#include "counterparties/counterparty_pick.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "repair/form_remont.h"
#include "repair/form_sastoqnie_remont.h"
#include "repair/repair_list_models.h"
#include "repair/repair_work.h"
#include "repair/work_list_link.h"
#include "test_registry.h"
#include "test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlField>
#include <QTableView>
#include <QTest>

namespace {
QString iso(int daysFromToday)
{
    return Dates::toIso(QDate::currentDate().addDays(daysFromToday));
}

void firm(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Klienti (ID, Ime_Klient) VALUES (?, ?)"), {id, name});
    Db::execute(QStringLiteral("INSERT INTO Firmi (ID, Ime_Firma, ID_Mol) VALUES (?, ?, ?)"), {id, name, id});
}

void state(long long id, const QString &name, int colour)
{
    Db::execute(QStringLiteral("INSERT INTO Status_Remont (ID, Opisanie, Color) VALUES (?, ?, ?)"), {id, name, colour});
}

void intake(long long n, const QString &description, long long status = 1, long long client = 1,
            const QString &received = iso(0), const QString &due = iso(0), long long article = -1)
{
    Db::execute(QStringLiteral("INSERT INTO Priem_Ser (N_Prodajba, Barkod, Opisanie, ID_Kontrag, Data_Priem,"
                               " Time_Priem, Operator, Status, Krai_Data, Valuta) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {n, article, description, client, received, QStringLiteral("10:00:00"), QStringLiteral("Иван"), status,
                 due, QStringLiteral("BGN")});
}

void line(long long n, const QString &text, double kol = 1, double price = 5, const QString &currency = QStringLiteral("BGN"))
{
    Db::execute(QStringLiteral("INSERT INTO Remont (N_Priem, Remont, Kol, Ed_Cena, Valuta, Garan_Remont, SN, Zamqna,"
                               " Oper_Remont) VALUES (?, ?, ?, ?, ?, ?, '', 'False', 'Иван')"),
                {n, text, kol, price, currency, iso(30)});
}

long long count(const QString &sql, const QVariantList &params = {})
{
    return Db::scalar(sql, params).toLongLong();
}

long long statusOf(long long n)
{
    return count(QStringLiteral("SELECT Status FROM Priem_Ser WHERE N_Prodajba = ?"), {n});
}

QList<long long> listed(const TForm_Remont &w)
{
    QList<long long> out;
    for (int r = 0; r < w.intakes()->rowCount(); ++r)
        out << w.intakes()->value(r, QStringLiteral("N_Prodajba")).toLongLong();
    return out;
}

void select(TForm_Remont &w, int row)
{
    w.DBGrid_Priem->setCurrentIndex(w.intakes()->index(row, 4));
}

void markRows(TForm_Remont &w, const QList<int> &rows)
{
    auto *sel = w.DBGrid_Priem->selectionModel();
    sel->clearSelection();
    for (int r : rows)
        sel->select(w.intakes()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// A fresh program with a client, BGN and EUR, and states 1 and 3.
struct Fixture {
    Fixture()
    {
        firm(1, QStringLiteral("Клиент"));
        firm(2, QStringLiteral("Друг"));
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False')"));
        state(1, QStringLiteral("Приет"), 2);
        state(3, QStringLiteral("Готов"), 6);
        AppState::instance().setCurrentOperator(QStringLiteral("Иван"));
        PriceDecimals = 2;
        PlatformScript::clearEvents();
    }
    ~Fixture() { PriceDecimals = 4; }
    TestProgram program;
};
} // namespace

class RepairWorkTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stateCombosCarryIds()
    {
        Fixture f;
        intake(10, QStringLiteral("a"), 1);
        intake(11, QStringLiteral("b"), 3);
        TForm_Remont w;
        w.show();
        w.show(); // a second showing
        WorkListLink::refillStates(); // the states window's close
        QCOMPARE(statusOf(10), 1LL);
        QCOMPARE(statusOf(11), 3LL);
        {
            TForm_Sastoqnie_Remont states;
            states.show();
            states.Edit_Status->setText(QStringLiteral("Чака части"));
            states.Button_NewClick();
            states.close(); // with a change: the combo is refilled, no intake is touched
        }
        QCOMPARE(w.ComboBox_Status->count(), 3);
        QCOMPARE(w.ComboBox_Status->currentIndex(), 0);
        QCOMPARE(statusOf(10), 1LL);
        QCOMPARE(statusOf(11), 3LL);
        w.ComboBox_Status->setCurrentIndex(1); // set by code: writes nothing
        QCOMPARE(statusOf(10), 1LL);

        select(w, 0);
        QCOMPARE(w.CurrentIntakeNumber, 10LL);
        w.ComboBox_Status->setCurrentIndex(1);
        w.ComboBox_StatusChange(); // the operator's choice
        QCOMPARE(statusOf(10), 3LL);

        Db::execute(QStringLiteral("UPDATE Priem_Ser SET Status = 1 WHERE N_Prodajba = 10"));
        w.DBGrid_PriemCellClick(RepairWork::StateCriterion);
        QCOMPARE(w.ComboBox_Sreach_Status->count(), 3);
        w.ComboBox_Sreach_Status->setCurrentIndex(1);
        w.Button_SearchClick();
        QCOMPARE(listed(w), QList<long long>{11});
        w.ComboBox_Sreach_Status->setCurrentIndex(0);
        w.Button_SearchClick();
        QCOMPARE(listed(w), QList<long long>{10});
    }

    void linesAndTotal()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        intake(11, QStringLiteral("b"));
        line(10, QStringLiteral("платка"), 2, 10, QStringLiteral("EUR"));
        TForm_Remont w;
        w.show();
        select(w, 0);
        QCOMPARE(w.lines()->rowCount(), 1);
        const int suma = w.lines()->fieldIndex(QStringLiteral("Suma"));
        QCOMPARE(w.lines()->data(w.lines()->index(0, suma)).toString(), QStringLiteral("39.1166"));
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума на ремонта в лв : 39.12"));
        QCOMPARE(w.lines()->data(w.lines()->index(0, 3), Qt::ForegroundRole).value<QColor>(),
                 w.palette().color(QPalette::Text));
        Db::execute(QStringLiteral("UPDATE Remont SET Zamqna = 'True'"));
        select(w, 1);
        select(w, 0);
        QCOMPARE(w.lines()->data(w.lines()->index(0, 3), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        select(w, 1);
        QCOMPARE(w.lines()->rowCount(), 0);
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума на ремонта в лв : 0.00"));
        // The lines' exact sum rounded once: 16.987 × 1.14 × 1.95583 is 37.8749999994.
        line(11, QStringLiteral("кабел"), 16.987, 1.14, QStringLiteral("EUR"));
        select(w, 0);
        select(w, 1);
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума на ремонта в лв : 37.87"));
    }

    void warranty_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("days");
        QTest::newRow("two months") << 1 << 2 << 60;
        QTest::newRow("no days") << 0 << 0 << 0;
        QTest::newRow("five days") << 0 << 5 << 5;
    }
    void warranty()
    {
        QFETCH(int, unit);
        QFETCH(int, count);
        QFETCH(int, days);
        Fixture f;
        TForm_Remont w;
        w.show();
        w.ComboBox_Sel_SpinEdit_Gar_Do->setCurrentIndex(unit);
        w.ComboBox_Sel_SpinEdit_Gar_DoChange();
        w.SpinEdit_Gar_Do->setValue(count);
        QCOMPARE(w.Label_Gar_Do_Data->text(), Dates::toShort(QDate::currentDate().addDays(days)));
    }

    void addLineFollowsTheCurrentIntake()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        intake(11, QStringLiteral("b"));
        TForm_Remont w;
        w.show();
        select(w, 1);
        w.ChkBox_Free_Tekst->setChecked(true);
        w.ChkBox_Free_TekstClick();
        w.Edit_Free_Tekst->setText(QStringLiteral("смяна"));
        w.Edit_Kol->setText(QStringLiteral("2,5"));
        w.Edit_Cena->setText(QStringLiteral("abc"));
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont")), 0LL);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        w.Edit_Cena->setText(QStringLiteral("4"));
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont WHERE N_Priem = 11 AND Kol = 2.5")), 1LL);
        QCOMPARE(w.Label_Ob6to_SUM->text(), QStringLiteral("Обща сума на ремонта в лв : 10.00"));
        QCOMPARE(w.Edit_Kol->text(), QStringLiteral("1"));

        // issued meanwhile at another workstation
        Db::execute(QStringLiteral("DELETE FROM Priem_Ser WHERE N_Prodajba = 11"));
        PlatformScript::clearEvents();
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont")), 1LL);
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")), QStringList{QStringLiteral("Ремонтът вече е издаден")});
        QCOMPARE(listed(w), QList<long long>{10});

        // nothing listed: nothing happens
        Db::execute(QStringLiteral("DELETE FROM Priem_Ser"));
        w.Button_SearchClick();
        QCOMPARE(w.CurrentIntakeNumber, 0LL);
        PlatformScript::clearEvents();
        w.Button_InsertClick();
        QVERIFY(PlatformScript::events().isEmpty());
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont")), 1LL);
    }

    void articlePickFillsTheLine()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        Db::execute(QStringLiteral("INSERT INTO Produkti (ID, Opisanie, Ed_Cena, Valuta_P, Garancionen) VALUES"
                                   " (5, 'Диск', 12.5, 'EUR', 'True'), (6, 'Кабел', 3, 'BGN', 'False')"));
        TForm_Remont w;
        w.show();
        auto pick = [](long long id) {
            ArticlePick::Picked p;
            p.current = *Db::firstRow(QStringLiteral("SELECT * FROM Produkti WHERE ID = ?"), {id});
            QVERIFY(ArticlePick::deliver(9, p));
        };
        pick(5);
        QCOMPARE(w.Label_Opis_art->text(), QStringLiteral("5:Диск"));
        QCOMPARE(w.Edit_Free_Tekst->text(), QStringLiteral("5:Диск"));
        QCOMPARE(w.Edit_Cena->text(), QStringLiteral("12.50"));
        QCOMPARE(w.ComboBox_Valuta->currentText(), QStringLiteral("EUR"));
        QVERIFY(w.Edit_SN->isVisibleTo(&w));
        QVERIFY(w.Label_SN->isVisibleTo(&w));
        w.Edit_SN->setText(QStringLiteral("SN-1"));
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont WHERE N_Priem = 10 AND Remont = '5:Диск'"
                                      " AND SN = 'SN-1' AND Ed_Cena = 12.5 AND Valuta = 'EUR' AND Oper_Remont = 'Иван'")),
                 1LL);
        QCOMPARE(w.Label_Opis_art->text(), QStringLiteral("0: Няма избран артикул"));
        // no article chosen, no free text: nothing to add
        w.Button_InsertClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont")), 1LL);
        pick(6);
        QVERIFY(!w.Edit_SN->isVisibleTo(&w));
        QCOMPARE(w.Edit_Cena->text(), QStringLiteral("3.00"));
        QCOMPARE(w.ComboBox_Valuta->currentText(), QStringLiteral("BGN"));
    }

    void overdue_data()
    {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("due");
        QTest::addColumn<bool>("marked");
        QTest::newRow("due yesterday") << iso(-2) << iso(-1) << true;
        QTest::newRow("due today") << iso(-2) << iso(0) << false;
        QTest::newRow("same day long past") << iso(-100) << iso(-100) << false;
        QTest::newRow("no due date") << iso(-2) << QString() << false;
    }
    void overdue()
    {
        QFETCH(QString, received);
        QFETCH(QString, due);
        QFETCH(bool, marked);
        QCOMPARE(RepairWork::isOverdue(QDate::currentDate(), received, due), marked);
    }

    void rowsColouredAndMarked()
    {
        Fixture f;
        intake(10, QStringLiteral("plain"), 3);
        intake(11, QStringLiteral("late"), 3, 1, iso(-2), iso(-1));
        intake(12, QStringLiteral("no state row, late"), 7, 1, iso(-2), iso(-1));
        intake(13, QStringLiteral("no state row"), 7);
        TForm_Remont w;
        w.show();
        QCOMPARE(listed(w), (QList<long long>{10, 11, 12, 13}));
        auto *m = w.intakes();
        auto fg = [m](int row) { return m->data(m->index(row, 4), Qt::ForegroundRole); };
        auto bold = [m](int row) { return m->data(m->index(row, 4), Qt::FontRole).value<QFont>().bold(); };
        QCOMPARE(fg(0).value<QColor>(), QColor(0, 128, 0)); // state 3: clGreen
        QVERIFY(!bold(0));
        QCOMPARE(fg(1).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(bold(1));
        QCOMPARE(fg(2).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(bold(2));
        QVERIFY(!fg(3).isValid());
        QCOMPARE(m->data(m->index(3, RepairWork::StateCriterion)).toString(), QString());
    }

    void searches()
    {
        Fixture f;
        intake(10, QStringLiteral("xAby"), 1, 1, iso(-3), iso(5), 7);
        intake(11, QStringLiteral("ремонт на ПРИНТЕР"), 1, 2, iso(-1), iso(5), 8);
        intake(12, QStringLiteral("друго"), 1, 1, iso(-1), iso(5), 77);
        line(11, QStringLiteral("ред на 11"));
        TForm_Remont w;
        w.show();
        QCOMPARE(listed(w), (QList<long long>{10, 11, 12}));
        QCOMPARE(w.Label_Search_Po->text(), QStringLiteral("Търсене по: Описание"));
        struct Case {
            const char *typed;
            QList<long long> found;
        };
        const Case cases[] = {{"ab", {10}}, {"Принтер", {11}}, {"РЕМОНТ", {11}}, {"%", {}}, {"", {10, 11, 12}}};
        for (const Case &c : cases) {
            w.Edit_Search_Text->setText(QString::fromUtf8(c.typed));
            w.Button_SearchClick();
            QCOMPARE(listed(w), c.found);
            QCOMPARE(w.Edit_Search_Text->text(), QString()); // emptied after each search
        }
        // after a search the lines are the new current row's
        w.Edit_Search_Text->setText(QStringLiteral("принтер"));
        w.Button_SearchClick();
        QCOMPARE(w.CurrentIntakeNumber, 11LL);
        QCOMPARE(w.lines()->rowCount(), 1);
        QCOMPARE(w.lines()->value(0, QStringLiteral("Remont")).toString(), QStringLiteral("ред на 11"));

        // article number, contains
        w.DBGrid_PriemCellClick(RepairWork::ArticleCriterion);
        w.Edit_Search_Text->setText(QStringLiteral("7"));
        w.Button_SearchClick();
        QCOMPARE(listed(w), (QList<long long>{10, 12}));
        QVERIFY(w.lines()->rowCount() == 0);

        // a date criterion
        w.DBGrid_PriemCellClick(8);
        QVERIFY(w.DateTimePicker_Data->isVisibleTo(&w));
        QVERIFY(!w.Edit_Search_Text->isVisibleTo(&w));
        w.DateTimePicker_Data->setDate(QDate::currentDate().addDays(-1));
        w.Button_SearchClick();
        QCOMPARE(listed(w), (QList<long long>{11, 12}));

        // intake number: a whole number or nothing
        w.DBGrid_PriemCellClick(0);
        w.Edit_Search_Text->setText(QStringLiteral("1x"));
        PlatformScript::clearEvents();
        w.Button_SearchClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        w.Edit_Search_Text->setText(QStringLiteral("12"));
        w.Button_SearchClick();
        QCOMPARE(listed(w), QList<long long>{12});
    }

    void downArrowChoosesArticleNumber()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        intake(11, QStringLiteral("b"));
        line(11, QStringLiteral("ред"));
        TForm_Remont w;
        w.show();
        w.DBGrid_Priem->setFocus();
        select(w, 0);
        QTest::keyClick(w.DBGrid_Priem, Qt::Key_Down);
        QCOMPARE(w.Label_Search_Po->text(), QStringLiteral("Търсене по: Арт. N"));
        QCOMPARE(w.ComboBox_Select_Kriteria->currentIndex(), RepairWork::ArticleCriterion);
        QCOMPARE(w.intakes()->criterionColumn(), RepairWork::ArticleCriterion);
        QCOMPARE(w.CurrentIntakeNumber, 11LL);
        QCOMPARE(w.lines()->rowCount(), 1);
    }

    void counterpartyPickListsThatClient()
    {
        Fixture f;
        intake(10, QStringLiteral("a"), 1, 1);
        intake(11, QStringLiteral("b"), 1, 2);
        intake(12, QStringLiteral("c"), 1, 2);
        TForm_Remont w;
        w.show();
        CounterpartyPick::Picked picked;
        picked.current = *Db::firstRow(QStringLiteral("SELECT * FROM Firmi WHERE ID = 2"));
        QVERIFY(CounterpartyPick::deliver(11, picked));
        QCOMPARE(w.Label_Sel_Kontrag->text(), QStringLiteral("2:Друг"));
        QCOMPARE(w.ComboBox_Select_Kriteria->currentIndex(), RepairWork::CounterpartyCriterion);
        QVERIFY(!w.Panel_Search->isVisibleTo(&w));
        QCOMPARE(listed(w), (QList<long long>{11, 12}));
        // another criterion forgets the client
        w.DBGrid_PriemCellClick(4);
        QCOMPARE(w.Label_Sel_Kontrag->text(), QStringLiteral("0: Няма избран Контрагент"));
    }

    void issueArchivesEachWithItsLines()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        intake(11, QStringLiteral("b"));
        intake(12, QStringLiteral("c"));
        line(10, QStringLiteral("same"));
        line(10, QStringLiteral("same"));
        line(11, QStringLiteral("other"));
        QCOMPARE(RepairWork::issue({10, 11}, QDate::currentDate(), QTime(12, 30)), 2);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Remont WHERE N_Priem = 10 AND Remont = 'same'")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Remont WHERE N_Priem = 11 AND Remont = 'other'")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Priem WHERE Data_Izd = ? AND Time_Izd = '12:30:00'"),
                       {iso(0)}),
                 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Priem WHERE N_Priem = 10 AND Opisanie = 'a'"
                                      " AND Operator = 'Иван' AND Data_Priem = ?"),
                       {iso(0)}),
                 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Priem_Ser")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont")), 0LL);
    }

    void issueFailureLeavesEveryIntake()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        intake(11, QStringLiteral("b"));
        line(10, QStringLiteral("x"));
        line(11, QStringLiteral("y"));
        // the archive already holds number 10: its copy fails after 11 is done
        Db::execute(QStringLiteral("INSERT INTO R_Priem (N_Priem) VALUES (10)"));
        TForm_Remont w;
        w.show();
        markRows(w, {0, 1});
        w.Button_IzdavaneClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")).size(), 1);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Priem_Ser")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Remont")), 2LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Priem")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Remont")), 0LL);
        QCOMPARE(listed(w), (QList<long long>{10, 11}));
    }

    void issueAsksAboutIntakesWithoutLines()
    {
        Fixture f;
        intake(10, QStringLiteral("a"));
        intake(11, QStringLiteral("b"));
        intake(12, QStringLiteral("c"));
        line(10, QStringLiteral("x"));
        TForm_Remont w;
        w.show();
        PlatformScript::clearEvents();
        w.Button_IzdavaneClick(); // nothing marked
        QCOMPARE(PlatformScript::texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Няма данни за извършен ремонт")});

        markRows(w, {0, 1, 2});
        PlatformScript::clearEvents();
        PlatformScript::answer(false);
        w.Button_IzdavaneClick();
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Без въведен ремонт са приемания N: 11, 12.\nЖелаете ли да бъдат издадени?")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Priem_Ser")), 3LL);

        markRows(w, {0, 1});
        PlatformScript::answer(true);
        w.Button_IzdavaneClick();
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Priem_Ser")), 1LL);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM R_Priem")), 2LL);
        QCOMPARE(listed(w), QList<long long>{12});
        QCOMPARE(w.CurrentIntakeNumber, 12LL);
    }
};

VTEST(RepairWorkTest)
#include "test_repair_work.moc"
