#include "catalogue/form_sklad.h"
#include "catalogue/stock_writer.h"
#include "catalogue/warehouses.h"
#include "common/settings.h"
#include "platform/db/database.h"
#include "platform/script.h"
#include "app/app_state.h"
#include "test_registry.h"
#include "test_support.h"

#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <climits>

namespace {
void addWarehouse(long long id, const QString &name)
{
    Db::execute(QStringLiteral("INSERT INTO Sklad (ID_Sklad, Opis_Sklad) VALUES (?, ?)"), {id, name});
}

QStringList stored()
{
    QStringList texts;
    for (const Warehouse &w : Warehouses::all())
        texts.append(w.referenceText() + QStringLiteral("|") + w.town);
    return texts;
}

WarehouseEntry entry(const QString &number, const QString &name, long long savedId = 0)
{
    WarehouseEntry e;
    e.savedId = savedId;
    e.number = number;
    e.name = name;
    return e;
}

QStringList messages()
{
    return PlatformScript::texts(QStringLiteral("message"));
}

void resetActive()
{
    AppState::instance().setActiveWarehouseText(QString());
}
} // namespace

class WarehouseRegister : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { resetActive(); }

    void numberIsAWholeNumberAboveZero()
    {
        QCOMPARE(Warehouses::parseNumber(QStringLiteral("1")), 1LL);
        QCOMPARE(Warehouses::parseNumber(QStringLiteral(" 12 ")), 12LL);
        QCOMPARE(Warehouses::parseNumber(QStringLiteral("2147483647")), (long long)INT_MAX);
        for (const char *bad : {"", "0", "-3", "+5", "1.5", "1,5", "abc", "12a", "2147483648"})
            QCOMPARE(Warehouses::parseNumber(QString::fromLatin1(bad)), 0LL);
    }

    void saveRefusesBadEntriesAndWritesNothing()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Основен"));

        WarehouseSaveResult r = Warehouses::save({entry(QStringLiteral("2"), QStringLiteral("Втори")),
                                                  entry(QStringLiteral("0"), QStringLiteral("Нулев"))});
        QVERIFY(!r.ok);
        QCOMPARE(r.entry, 1);
        QCOMPARE(r.column, 0);
        QVERIFY(r.message.contains(QStringLiteral("цяло число")));

        // A number another warehouse has, in the table or in the same save.
        r = Warehouses::save({entry(QStringLiteral("2"), QStringLiteral("Втори")),
                              entry(QStringLiteral("1"), QStringLiteral("Дубликат"))});
        QVERIFY(!r.ok);
        QCOMPARE(r.entry, 1);
        QCOMPARE(r.message, QStringLiteral("Склад с номер 1 вече съществува."));
        r = Warehouses::save({entry(QStringLiteral("3"), QStringLiteral("А")),
                              entry(QStringLiteral(" 3"), QStringLiteral("Б"))});
        QVERIFY(!r.ok);
        QCOMPARE(r.entry, 1);

        r = Warehouses::save({entry(QStringLiteral("4"), QStringLiteral("   "))});
        QVERIFY(!r.ok);
        QCOMPARE(r.column, 1);

        // A stored warehouse keeps its number.
        r = Warehouses::save({entry(QStringLiteral("7"), QStringLiteral("Основен"), 1)});
        QVERIFY(!r.ok);
        QCOMPARE(r.column, 0);

        QCOMPARE(stored(), QStringList{QStringLiteral("1:Основен|")});
    }

    void saveAddsAndEditsInOneGo()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Основен"));
        WarehouseEntry edited = entry(QStringLiteral("1"), QStringLiteral(" Централен "), 1);
        edited.town = QStringLiteral("Пловдив");
        WarehouseEntry added = entry(QStringLiteral("5"), QStringLiteral("Магазин"));
        added.town = QStringLiteral("0800"); // kept as text
        const WarehouseSaveResult r = Warehouses::save({edited, added});
        QVERIFY2(r.ok, qPrintable(r.message));
        QCOMPARE(stored(), QStringList({QStringLiteral("1:Централен|Пловдив"),
                                        QStringLiteral("5:Магазин|0800")}));
        QCOMPARE(Warehouses::referenceTexts(),
                 QStringList({QStringLiteral("1:Централен"), QStringLiteral("5:Магазин")}));

        // A warehouse deleted meanwhile by another workstation is not re-created by an edit.
        Db::execute(QStringLiteral("DELETE FROM Sklad WHERE ID_Sklad = 5"));
        const WarehouseSaveResult gone = Warehouses::save(
            {entry(QStringLiteral("6"), QStringLiteral("Нов")),
             entry(QStringLiteral("5"), QStringLiteral("Магазин 2"), 5)});
        QVERIFY(!gone.ok);
        QCOMPARE(stored(), QStringList{QStringLiteral("1:Централен|Пловдив")});
    }

    void deleteIsRefusedForTheActiveAndForANamedWarehouse()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Основен"));
        addWarehouse(2, QStringLiteral("Склад 2"));
        addWarehouse(3, QStringLiteral("Празен"));
        GET_NALI4NOST(QStringLiteral("10"), QStringLiteral("2"), 0, 1);
        Settings::writeInteger(Keys::Store_Active, 1);

        QString reason;
        QVERIFY(!Warehouses::remove(1, &reason));
        QVERIFY(reason.contains(QStringLiteral("активният склад")));
        QVERIFY(!Warehouses::remove(2, &reason));
        QVERIFY(reason.contains(QStringLiteral("Store_Kol")));
        QVERIFY(Warehouses::remove(3));

        // The panel's warehouse counts as active too.
        Settings::writeInteger(Keys::Store_Active, 0);
        AppState::instance().setActiveWarehouseText(QStringLiteral("1:Основен"));
        QVERIFY(!Warehouses::remove(1));
        resetActive();
        QVERIFY(Warehouses::remove(1));
        QCOMPARE(stored(), QStringList{QStringLiteral("2:Склад 2|")});
    }

    void activeWarehouseAtStartUp()
    {
        TestProgram program;
        addWarehouse(3, QStringLiteral("Основен"));
        Warehouses::LoadActiveWarehouse(); // [Store] Active 0 by default
        QCOMPARE(AppState::instance().activeWarehouseText(), QStringLiteral(":"));
        QCOMPARE(AppState::instance().activeWarehouseId(), -1); // the stock writer refuses it
        Settings::writeInteger(Keys::Store_Active, 3);
        Warehouses::LoadActiveWarehouse();
        QCOMPARE(AppState::instance().activeWarehouseText(), QStringLiteral("3:Основен"));
        Settings::writeInteger(Keys::Store_Active, 4);
        Warehouses::LoadActiveWarehouse();
        QCOMPARE(AppState::instance().activeWarehouseText(), QStringLiteral(":"));
    }
};
VTEST(WarehouseRegister)

class WarehouseWindow : public QObject
{
    Q_OBJECT

    static QString cell(const TForm_Sklad &form, int row, int column)
    {
        return form.model()->item(row, column)->text();
    }
    static void setCell(TForm_Sklad &form, int row, int column, const QString &text)
    {
        form.model()->item(row, column)->setText(text);
    }

private Q_SLOTS:
    void init() { resetActive(); }

    void newWarehouseIsCheckedThenStored()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Основен"));
        TForm_Sklad form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Складове"));
        QCOMPARE(form.model()->rowCount(), 1);
        // The stored number cannot be edited.
        QVERIFY(!(form.model()->index(0, TForm_Sklad::ColNumber).flags() & Qt::ItemIsEditable));
        QVERIFY(form.model()->index(0, TForm_Sklad::ColName).flags() & Qt::ItemIsEditable);
        QCOMPARE(form.DBGrid_Sklad->editTriggers(), QAbstractItemView::NoEditTriggers);

        QTest::mouseClick(form.BitBtn_New_Sklad, Qt::LeftButton);
        QCOMPARE(form.tag(), 1);
        QCOMPARE(form.BitBtn_New_Sklad->text(), QStringLiteral("Приеми"));
        QCOMPARE(form.BitBtn_Del_Sklad->text(), QStringLiteral("Откажи"));
        QVERIFY(!form.BitBtn_Red_Sklad->isEnabled());
        QCOMPARE(form.model()->rowCount(), 2);
        const int row = form.DBGrid_Sklad->currentIndex().row();
        QCOMPARE(cell(form, row, TForm_Sklad::ColNumber), QStringLiteral("2")); // proposed
        QVERIFY(form.model()->index(row, TForm_Sklad::ColNumber).flags() & Qt::ItemIsEditable);

        // A bad number is refused; what was typed stays.
        setCell(form, row, TForm_Sklad::ColNumber, QStringLiteral("1.5"));
        setCell(form, row, TForm_Sklad::ColName, QStringLiteral("Магазин"));
        setCell(form, row, TForm_Sklad::ColMol, QStringLiteral("Иван Петров"));
        QVERIFY(!form.Priemi());
        QCOMPARE(messages().size(), 1);
        QCOMPARE(form.tag(), 1);
        QCOMPARE(cell(form, row, TForm_Sklad::ColName), QStringLiteral("Магазин"));
        QCOMPARE(form.DBGrid_Sklad->currentIndex().column(), int(TForm_Sklad::ColNumber));

        // A taken number too.
        setCell(form, row, TForm_Sklad::ColNumber, QStringLiteral("1"));
        QVERIFY(!form.Priemi());
        QCOMPARE(messages().last(), QStringLiteral("Склад с номер 1 вече съществува."));

        setCell(form, row, TForm_Sklad::ColNumber, QStringLiteral("8"));
        QTest::mouseClick(form.BitBtn_New_Sklad, Qt::LeftButton);
        QCOMPARE(form.tag(), 0);
        QCOMPARE(form.BitBtn_New_Sklad->text(), QStringLiteral("Нов"));
        QCOMPARE(form.BitBtn_Del_Sklad->text(), QStringLiteral("Изтрии"));
        QVERIFY(form.BitBtn_Red_Sklad->isEnabled());
        QCOMPARE(stored(), QStringList({QStringLiteral("1:Основен|"), QStringLiteral("8:Магазин|")}));
        QCOMPARE(Warehouses::find(8)->mol, QStringLiteral("Иван Петров"));
        QVERIFY(!(form.model()->index(1, TForm_Sklad::ColNumber).flags() & Qt::ItemIsEditable));
        QCOMPARE(form.DBGrid_Sklad->currentIndex().row(), 1); // on the new warehouse
    }

    void cancelAndCloseDiscardTheEntry()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Основен"));
        {
            TForm_Sklad form;
            form.BitBtn_Red_SkladClick();
            setCell(form, 0, TForm_Sklad::ColName, QStringLiteral("Променен"));
            form.BitBtn_New_SkladClick(); // "Нов" is "Приеми" now: no row is added
            QCOMPARE(form.model()->rowCount(), 1);
            QCOMPARE(stored(), QStringList{QStringLiteral("1:Променен|")});

            form.BitBtn_New_SkladClick();
            setCell(form, 0, TForm_Sklad::ColName, QStringLiteral("Отказан"));
            QTest::mouseClick(form.BitBtn_Del_Sklad, Qt::LeftButton); // "Откажи"
            QCOMPARE(form.tag(), 0);
            QCOMPARE(form.model()->rowCount(), 1);
            QCOMPARE(cell(form, 0, TForm_Sklad::ColName), QStringLiteral("Променен"));

            form.BitBtn_New_SkladClick();
            setCell(form, 0, TForm_Sklad::ColName, QStringLiteral("Незаписан"));
            QTest::mouseClick(form.Button2, Qt::LeftButton); // "ЗАТВОРИ"
            QCOMPARE(form.result(), int(QDialog::Rejected));
        }
        QCOMPARE(stored(), QStringList{QStringLiteral("1:Променен|")});
        QVERIFY(messages().isEmpty());
    }

    void deletingAsksFirstAndIsRefusedWhereItMust()
    {
        TestProgram program;
        addWarehouse(1, QStringLiteral("Основен"));
        addWarehouse(2, QStringLiteral("Със стока"));
        addWarehouse(3, QStringLiteral("Празен"));
        GET_NALI4NOST(QStringLiteral("10"), QStringLiteral("2"), 4, 0);
        Settings::writeInteger(Keys::Store_Active, 1);
        TForm_Sklad form;

        // Refusals come without a question.
        form.DBGrid_Sklad->setCurrentIndex(form.model()->index(0, 0));
        form.BitBtn_Del_SkladClick();
        form.DBGrid_Sklad->setCurrentIndex(form.model()->index(1, 0));
        form.BitBtn_Del_SkladClick();
        QVERIFY(PlatformScript::texts(QStringLiteral("yesNo")).isEmpty());
        QCOMPARE(messages().size(), 2);
        QVERIFY(messages().at(0).contains(QStringLiteral("активният склад")));
        QVERIFY(messages().at(1).contains(QStringLiteral("се използва")));

        form.DBGrid_Sklad->setCurrentIndex(form.model()->index(2, 0));
        PlatformScript::answer(false);
        QTest::mouseClick(form.BitBtn_Del_Sklad, Qt::LeftButton);
        QCOMPARE(PlatformScript::texts(QStringLiteral("yesNo")),
                 QStringList{QStringLiteral("Да бъде ли изтрит склад \"3:Празен\"?")});
        QCOMPARE(form.model()->rowCount(), 3);
        PlatformScript::answer(true);
        QTest::mouseClick(form.BitBtn_Del_Sklad, Qt::LeftButton);
        QCOMPARE(form.model()->rowCount(), 2);
        QCOMPARE(stored(), QStringList({QStringLiteral("1:Основен|"), QStringLiteral("2:Със стока|")}));
    }

    void chooseSetsTheActiveWarehouse()
    {
        TestProgram program;
        {
            // An empty list: nothing to choose, nothing written.
            TForm_Sklad empty;
            QTest::mouseClick(empty.Button1, Qt::LeftButton);
            QCOMPARE(messages(), QStringList{QStringLiteral("Изберете склад от списъка.")});
            QCOMPARE(Settings::readString(Keys::Store_Active), QStringLiteral("0"));
            QCOMPARE(AppState::instance().activeWarehouseText(), QString());
            QVERIFY(empty.result() != QDialog::Accepted);
        }
        addWarehouse(1, QStringLiteral("Основен"));
        addWarehouse(4, QStringLiteral("Магазин"));
        TForm_Sklad form;
        form.DBGrid_Sklad->setCurrentIndex(form.model()->index(1, 2));
        // Not while an entry is open.
        form.BitBtn_Red_SkladClick();
        form.Button1Click();
        QCOMPARE(Settings::readInteger(Keys::Store_Active), 0LL);
        form.Otkaji();
        form.DBGrid_Sklad->setCurrentIndex(form.model()->index(1, 2));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Settings::readInteger(Keys::Store_Active), 4LL);
        QCOMPARE(AppState::instance().activeWarehouseText(), QStringLiteral("4:Магазин"));

        // The next window starts on the active warehouse; renaming it updates the panel.
        TForm_Sklad again;
        QCOMPARE(again.DBGrid_Sklad->currentIndex().row(), 1);
        again.BitBtn_Red_SkladClick();
        setCell(again, 1, TForm_Sklad::ColName, QStringLiteral("Магазин Център"));
        QVERIFY(again.Priemi());
        QCOMPARE(AppState::instance().activeWarehouseText(), QStringLiteral("4:Магазин Център"));
    }

    void openerShowsANewWindowModally()
    {
        TestProgram program;
        addWarehouse(2, QStringLiteral("Основен"));
        QString title;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *form = qobject_cast<TForm_Sklad *>(d);
            title = d->windowTitle();
            form->Button1Click();
            return d->result();
        });
        QVERIFY(TForm_Sklad::open(nullptr));
        PlatformScript::setModalHandler({});
        QCOMPARE(title, QStringLiteral("Складове"));
        QCOMPARE(Settings::readInteger(Keys::Store_Active), 2LL);
    }
};
VTEST(WarehouseWindow)

#include "test_warehouses.moc"
