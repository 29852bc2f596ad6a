#include "harness/test_registry.h"
#include "harness/test_support.h"
#include "catalogue/catalogue_test_support.h"
#include "offers/order_test_data.h"
#include "offers/task_test_data.h"

#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "counterparties/form_kontrakents.h"
#include "offers/form_add_red_zaqvka.h"
#include "offers/form_zaqvka_all.h"
#include "offers/new_order.h"
#include "platform/db/list_model.h"
#include "platform/script.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlField>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

namespace {
// The stored order list, one text a row: date|Art_ID|Kat_N|Opisanie|Kol|Dost_Cena|Valuta|Klient_Ime|Dost_Ime.
QStringList orderList()
{
    QStringList out;
    for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Data, Art_ID, Kat_N, Opisanie, Kol, Dost_Cena, Valuta, "
                                                       "Klient_Ime, Dost_Ime FROM Zaqvki_All ORDER BY ID"))) {
        QStringList cells;
        for (int i = 0; i < r.count(); ++i)
            cells << r.value(i).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void freeArticle(TForm_Add_Red_Zaqvka &form, const QString &text)
{
    form.ChkBox_Free_Artikul->click();
    form.Edit_Free_Artikul->setText(text);
}

void addLine(TForm_Add_Red_Zaqvka &form, const QString &article, const QString &kol = QStringLiteral("1"),
             const QString &price = QStringLiteral("0"), const QDate &date = QDate::currentDate())
{
    freeArticle(form, article);
    form.Edit_Kol->setText(kol);
    form.Edit_Dost_Cena->setText(price);
    form.DateTimePicker_Data->setDate(date);
    form.Button_AddClick();
}

void makeCurrent(TForm_Add_Red_Zaqvka &form, int row)
{
    form.DBGrid1->setCurrentIndex(form.lines()->index(row, 1));
}

// The article picker as the catalogue hands over its current row.
void pickArticle(long long id, const QString &name)
{
    QSqlRecord row;
    row.append(QSqlField(QStringLiteral("ID"), QMetaType(QMetaType::LongLong)));
    row.append(QSqlField(QStringLiteral("Opisanie"), QMetaType(QMetaType::QString)));
    row.setValue(0, id);
    row.setValue(1, name);
    ArticlePick::Picked picked;
    picked.current = row;
    QVERIFY(ArticlePick::deliver(7, picked));
}
} // namespace

class NewOrderTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { PlatformScript::activate(); }
    void cleanup()
    {
        PlatformScript::setModalHandler({});
        PlatformScript::deactivate();
        PriceDecimals = 4;
        ArticlePickMode = -1;
        CounterpartyPickMode = -1;
        delete Form_Artikuli;
        delete Form_Kontrakents;
    }

    void nothingPickedStoresThePlaceholders()
    {
        TestProgram program;
        Db::execute(QStringLiteral("INSERT INTO Valuti (Opisanie, Kurs) VALUES ('EUR', 1.95583)"));
        TForm_Add_Red_Zaqvka form;
        form.show();
        form.FormShow();
        QVERIFY(!form.Button_Save->isEnabled());
        QVERIFY(!form.Button_Redakt->isEnabled());
        QCOMPARE(form.Edit_Kol->text(), QStringLiteral("1.0000"));
        QCOMPARE(form.Edit_Dost_Cena->text(), QStringLiteral("0.0000"));
        QCOMPARE(form.ComboBox_Valuta->currentIndex(), 0);
        const QString currency = form.ComboBox_Valuta->currentText();
        form.Button_AddClick();
        QVERIFY(form.Button_Save->isEnabled());
        QVERIFY(form.Button_Redakt->isEnabled());
        QCOMPARE(form.lines()->rowCount(), 1);
        QCOMPARE(form.lines()->columnCount(), 7);

        QSignalSpy saved(&form, &TForm_Add_Red_Zaqvka::saved);
        form.Button_SaveClick();
        QCOMPARE(saved.count(), 1);
        QVERIFY(!form.isVisible());
        QCOMPARE(orderList(), QStringList{QDate::currentDate().toString(Qt::ISODate) + "|0|Ном.N|0:Няма избран артикул|1|0|"
                                          + currency + "|0:Няма избран Заявител|0:Няма избран Доставчик"});
    }

    void changingALine()
    {
        TestProgram program;
        PriceDecimals = 2;
        TForm_Add_Red_Zaqvka form;
        form.show();
        form.FormShow();
        addLine(form, QStringLiteral("12: кабел"), QStringLiteral("2,5"), QStringLiteral("3.125"));
        QVERIFY(!form.ChkBox_Free_Artikul->isChecked()); // the line controls reset
        QVERIFY(!form.Edit_Free_Artikul->isVisible());
        QCOMPARE(form.Label_Artikul_Name->text(), NewOrder::noArticle());
        pickArticle(7, QStringLiteral("Мляко"));
        form.Edit_Free_Zaqvitel->setText(QStringLiteral("unused"));
        form.ChkBox_Free_Dostav4ik->click();
        form.Edit_Free_Dostav4ik->setText(QStringLiteral("Пазар"));
        form.Button_AddClick();
        QList<OrderList::Line> lines = NewOrder::lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(1).article, 7LL);
        QCOMPARE(lines.at(1).description, QStringLiteral("7:Мляко"));
        QCOMPARE(lines.at(1).supplier, QStringLiteral("Пазар"));

        // The free text that looks like a pick stays free text with 0.
        makeCurrent(form, 0);
        form.Button_RedaktClick();
        QCOMPARE(form.mode(), int(TForm_Add_Red_Zaqvka::Changing));
        QCOMPARE(form.Button_Add->text(), QStringLiteral("Приеми"));
        QCOMPARE(form.Button_Delete->text(), QStringLiteral("Откажи"));
        QVERIFY(!form.Button_Redakt->isEnabled());
        QVERIFY(form.ChkBox_Free_Artikul->isChecked());
        QCOMPARE(form.Edit_Free_Artikul->text(), QStringLiteral("12: кабел"));
        QCOMPARE(form.Edit_Kol->text(), QStringLiteral("2.50"));
        QCOMPARE(form.Edit_Dost_Cena->text(), QStringLiteral("3.13"));
        // "Приеми" changes the line it loaded, whatever row is current now.
        makeCurrent(form, 1);
        form.Edit_Kol->setText(QStringLiteral("4,25"));
        form.Button_AddClick();
        QCOMPARE(form.mode(), int(TForm_Add_Red_Zaqvka::Adding));
        QCOMPARE(form.Button_Add->text(), QStringLiteral("Добави"));
        QVERIFY(form.Button_Redakt->isEnabled());
        lines = NewOrder::lines();
        QCOMPARE(lines.at(0).article, 0LL);
        QCOMPARE(lines.at(0).catalogueNumber, QStringLiteral("Ном. N"));
        QCOMPARE(lines.at(0).description, QStringLiteral("12: кабел"));
        QCOMPARE(lines.at(0).quantity, 4.25);
        QCOMPARE(lines.at(0).price, 3.125); // shown rounded, left as it was
        QCOMPARE(lines.at(1).catalogueNumber, QStringLiteral("Ном.N"));
        QCOMPARE(lines.at(1).quantity, 1.0);

        // A picked article keeps its number; the free supplier comes back in its label.
        makeCurrent(form, 1);
        form.Button_RedaktClick();
        QVERIFY(!form.ChkBox_Free_Artikul->isChecked());
        QCOMPARE(form.Label_Artikul_Name->text(), QStringLiteral("7:Мляко"));
        QCOMPARE(form.Label_Dostav4ik_Name->text(), QStringLiteral("Пазар"));
        form.Button_AddClick();
        lines = NewOrder::lines();
        QCOMPARE(lines.at(1).article, 7LL);
        QCOMPARE(lines.at(1).catalogueNumber, QStringLiteral("Ном. N"));
        QCOMPARE(lines.at(1).supplier, QStringLiteral("Пазар"));

        // "Откажи" leaves the line as it was.
        makeCurrent(form, 0);
        form.Button_RedaktClick();
        form.Edit_Kol->setText(QStringLiteral("99"));
        form.Button_DeleteClick();
        QCOMPARE(form.mode(), int(TForm_Add_Red_Zaqvka::Adding));
        QCOMPARE(form.Edit_Kol->text(), QStringLiteral("1.0000"));
        QCOMPARE(NewOrder::lines().at(0).quantity, 4.25);
        QCOMPARE(NewOrder::count(), 2);

        // "Изтрии" removes the marked lines without a question.
        form.DBGrid1->selectRow(1);
        form.Button_DeleteClick();
        QCOMPARE(NewOrder::count(), 1);
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
    }

    void eachLineKeepsItsDate()
    {
        TestProgram program;
        TForm_Add_Red_Zaqvka form;
        form.FormShow();
        addLine(form, QStringLiteral("първи"), "1", "0", QDate(2025, 1, 10));
        addLine(form, QStringLiteral("втори"), "1", "0", QDate(2025, 2, 20));
        QCOMPARE(form.DateTimePicker_Data->date(), QDate::currentDate());
        form.Button_SaveClick();
        const QStringList rows = orderList();
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows.at(0).startsWith(QStringLiteral("2025-01-10|0|Ном.N|първи")));
        QVERIFY(rows.at(1).startsWith(QStringLiteral("2025-02-20|0|Ном.N|втори")));
    }

    void numbersThatAreNoNumbersAreRefused_data()
    {
        QTest::addColumn<QString>("kol");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("message");
        QTest::newRow("quantity") << "abc" << "0" << "Количеството не е число: abc";
        QTest::newRow("price") << "1" << "1.2.3" << "Доставната цена не е число: 1.2.3";
        QTest::newRow("empty quantity") << "" << "0" << "Количеството не е число: ";
    }

    void numbersThatAreNoNumbersAreRefused()
    {
        QFETCH(QString, kol);
        QFETCH(QString, price);
        QFETCH(QString, message);
        TestProgram program;
        TForm_Add_Red_Zaqvka form;
        form.FormShow();
        addLine(form, QStringLiteral("кабел"), kol, price);
        QCOMPARE(lastMessage(), message);
        QCOMPARE(NewOrder::count(), 0);
        QVERIFY(form.ChkBox_Free_Artikul->isChecked()); // what was typed stays
        QCOMPARE(form.Edit_Free_Artikul->text(), QStringLiteral("кабел"));

        // Also when a line is changed.
        form.Edit_Kol->setText(QStringLiteral("1"));
        form.Edit_Dost_Cena->setText(QStringLiteral("0"));
        form.Button_AddClick();
        makeCurrent(form, 0);
        form.Button_RedaktClick();
        form.Edit_Kol->setText(kol);
        form.Edit_Dost_Cena->setText(price);
        form.Button_AddClick();
        QCOMPARE(lastMessage(), message);
        QCOMPARE(form.mode(), int(TForm_Add_Red_Zaqvka::Changing));
        QCOMPARE(NewOrder::lines().at(0).catalogueNumber, QStringLiteral("Ном.N"));
    }

    void aFailedSaveKeepsEverything()
    {
        TestProgram program;
        addOrderRow({QDate(2025, 1, 1), 0, QStringLiteral("стар")});
        refuseWrites(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Zaqvki_All WHEN NEW.Opisanie = 'втори' "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        TForm_Zaqvka_all list;
        list.FormShow();
        driveWindows<TForm_Add_Red_Zaqvka>([](TForm_Add_Red_Zaqvka *form) {
            addLine(*form, QStringLiteral("първи"));
            addLine(*form, QStringLiteral("втори"));
            form->Button_SaveClick();
            QVERIFY(form->isVisible());
            QVERIFY(lastMessage().startsWith(QStringLiteral("Поръчката не е записана")));
            QCOMPARE(form->lines()->rowCount(), 2);
            QVERIFY(form->Button_Save->isEnabled());
            // Once the cause is gone the same lines are saved.
            dropTrigger(QStringLiteral("refuse"));
            form->Button_SaveClick();
        });
        list.BitBtn_Add_NewClick();
        QCOMPARE(orderRowCount(), 3);
        QCOMPARE(list.list()->rowCount(), 3); // free-text lines listed too
        QCOMPARE(list.searchColumn(), 3);
        QCOMPARE(list.Label1->text(), QStringLiteral("Търсене по: Описание"));
    }

    void eachShowingStartsEmpty()
    {
        TestProgram program;
        // Lines left by an interrupted run are not saved again.
        NewOrder::createTable();
        NewOrder::add({QDate(2025, 1, 1), 0, {}, QStringLiteral("забравен"), 1, 0, {}, {}, {}});
        TForm_Add_Red_Zaqvka form;
        form.show();
        form.FormShow();
        QCOMPARE(form.lines()->rowCount(), 0);
        addLine(form, QStringLiteral("нов"));
        makeCurrent(form, 0);
        form.Button_RedaktClick();
        form.reject(); // closing drops the lines and the change
        form.show();
        form.FormShow();
        QCOMPARE(form.lines()->rowCount(), 0);
        QCOMPARE(form.mode(), int(TForm_Add_Red_Zaqvka::Adding));
        QCOMPARE(form.Button_Add->text(), QStringLiteral("Добави"));
        QVERIFY(!form.Button_Save->isEnabled());
        QVERIFY(!form.ChkBox_Free_Artikul->isChecked());
        form.Button_AddClick();
        form.Button_SaveClick();
        QCOMPARE(orderRowCount(), 1);
    }

    void pickersFillTheirLabels()
    {
        TestProgram program;
        const long long requester = addTaskCounterparty(QStringLiteral("Заявител ООД"), QStringLiteral("111"));
        const long long supplier = addTaskCounterparty(QStringLiteral("Доставчик АД"), QStringLiteral("222"));
        CatalogueTest::writeTree({QStringLiteral("Всички артикули"), QStringLiteral("3:Стоки")});
        CatalogueTest::addGroup(3, QStringLiteral("Стоки"));
        CatalogueTest::addArticle(7, QStringLiteral("Мляко"), 3);
        CatalogueTest::addArticle(12, QStringLiteral("Хляб"), 3);

        TForm_Add_Red_Zaqvka form;
        form.show();
        form.FormShow();
        auto pickCounterparty = [](long long id) {
            driveWindows<TForm_Kontrakents>([id](TForm_Kontrakents *w) {
                QVERIFY(w->positionOn(id));
                w->BitBtn_Izberi_Kontragent->click();
            });
        };
        pickCounterparty(requester);
        QTest::mouseClick(form.Label_Zaqvitel, Qt::LeftButton);
        QCOMPARE(form.Label_Zaqvitel_Name->text(), QString::number(requester) + QStringLiteral(":Заявител ООД"));
        QCOMPARE(CounterpartyPickMode, -1);
        pickCounterparty(supplier);
        form.Label_Dostav4ikClick();
        QCOMPARE(form.Label_Dostav4ik_Name->text(), QString::number(supplier) + QStringLiteral(":Доставчик АД"));
        QCOMPARE(form.Label_Zaqvitel_Name->text(), QString::number(requester) + QStringLiteral(":Заявител ООД"));

        driveWindows<TForm_Artikuli>([](TForm_Artikuli *w) {
            QVERIFY(w->positionOn(12));
            w->BitBtn1Click();
        });
        QTest::mouseClick(form.Label_Artikul, Qt::LeftButton);
        QCOMPARE(form.Label_Artikul_Name->text(), QStringLiteral("12:Хляб"));
        QCOMPARE(form.articleId(), 12LL);
        QCOMPARE(ArticlePickMode, -1);

        // A ticked box disables its label: a click opens nothing.
        form.ChkBox_Free_Zaqvitel->click();
        QVERIFY(form.Edit_Free_Zaqvitel->isVisible());
        QVERIFY(!form.Label_Zaqvitel->isEnabled());
        int opened = 0;
        PlatformScript::setModalHandler([&opened](QDialog *) {
            ++opened;
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(form.Label_Zaqvitel, Qt::LeftButton);
        QCOMPARE(opened, 0);
        form.Edit_Free_Zaqvitel->setText(QStringLiteral("Иван"));
        form.Button_AddClick();
        const OrderList::Line line = NewOrder::lines().first();
        QCOMPARE(line.requester, QStringLiteral("Иван"));
        QCOMPARE(line.supplier, QString::number(supplier) + QStringLiteral(":Доставчик АД"));
        QCOMPARE(line.article, 12LL);
        QCOMPARE(line.description, QStringLiteral("12:Хляб"));
    }
};
VTEST(NewOrderTest)

#include "test_new_order.moc"
